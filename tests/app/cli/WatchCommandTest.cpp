#include "app/cli/WatchCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "monitor/FakeRouterService.h"
#include "monitor/FakeWirelessLink.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "platform/RecordingSystemLog.h"

#include <gtest/gtest.h>

namespace {

// What the line says is the monitor's and the title's; the verb prints one per
// poll, in colour only when asked.
TEST(WatchCommandTest, PrintsOneLineAPollWithTheReadingAndItsTitle) {
    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    FakeRouterService router;
    FakeWirelessLink link;
    NetworkEventSource networkEvents;
    SessionLog sessionLog{std::nullopt};
    SystemClock clock;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    const auto watch = [&](int count, bool colours) {
        WatchContext context{settings, router, link, networkEvents, sessionLog, clock, logger};
        return capture([&](QTextStream& out, QTextStream& err) {
            return runWatchCommand({QStringLiteral("--count"), QString::number(count)}, context, colours, out,
                                   err);
        });
    };

    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    link.reading =
        LocalLinkReading{QStringLiteral("wlan0"), QStringLiteral("Studio"), -55, std::nullopt, 300.0, 5, 2};
    const CliRun result = watch(2, false);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("  wifi  Excellent -55 dBm 87% Studio  title:  -55*5G")))
        << lines[1].toStdString();
    link.reading.reset();
    EXPECT_TRUE(watch(1, false).out.endsWith(
        QStringLiteral("  wifi  No Wi-Fi interface on this computer  title:  -- \n")));

    EXPECT_TRUE(result.err.isEmpty()) << "Wi-Fi mode needs no router";

    // Without a router to ask, the watch first says how to set one up.
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("router"));
    const CliRun idle = watch(1, true);
    EXPECT_EQ(idle.err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(idle.err.contains(QStringLiteral("settings set routerIP"))) << idle.err.toStdString();
    const QString coloured = idle.out;
    // The steady "Vt" in the excellent teal between the blinking brackets.
    EXPECT_TRUE(coloured.contains(QStringLiteral("router  idle  title: ")));
    EXPECT_TRUE(coloured.contains(QStringLiteral("\x1b[38;2;0;202;223mVt\x1b[0m")));
}

} // namespace
