#include "app/cli/WatchCommand.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
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

class WatchCommandTest : public ::testing::Test {
protected:
    struct Result {
        int exitCode = -1;
        QStringList lines;
        QString err;
    };

    Result watch(const QStringList& args, bool colours = false) {
        Result result;
        QString out;
        QTextStream outStream(&out);
        QTextStream errStream(&result.err);
        WatchContext context{settings, router, link, networkEvents, sessionLog, clock, logger};
        result.exitCode = runWatchCommand(args, context, colours, outStream, errStream);
        result.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return result;
    }

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
};

TEST_F(WatchCommandTest, PrintsOneLineAPollWithTheLocalLinkAndItsTitle) {
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    link.reading =
        LocalLinkReading{QStringLiteral("wlan0"), QStringLiteral("Studio"), -55, std::nullopt, 300.0, 5, 2};

    const Result result = watch({QStringLiteral("--count"), QStringLiteral("2")});

    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(result.lines.size(), 2);
    for (const QString& line : result.lines)
        EXPECT_TRUE(line.endsWith(QStringLiteral("  wifi  Excellent -55 dBm 87% Studio  title:  -55*5G")))
            << line.toStdString();
}

TEST_F(WatchCommandTest, LostLinkAndUnconnectedRouterSayWhatTheTitleShows) {
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    EXPECT_TRUE(watch({QStringLiteral("--count"), QStringLiteral("1")})
                    .lines.value(0)
                    .endsWith(QStringLiteral("  wifi  No Wi-Fi interface on this computer  title:  -- ")));

    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("router"));
    const Result coloured = watch({QStringLiteral("--count"), QStringLiteral("1")}, true);
    // The steady "Vt" in the excellent teal between the blinking brackets.
    EXPECT_TRUE(coloured.lines.value(0).contains(QStringLiteral("router  idle  title: ")));
    EXPECT_TRUE(coloured.lines.value(0).contains(QStringLiteral("\x1b[38;2;0;202;223mVt\x1b[0m")));
}

TEST_F(WatchCommandTest, RejectsCountsThatAreNotPositiveNumbers) {
    for (const QString& args : {QStringLiteral("--count"), QStringLiteral("--count 0"),
                                QStringLiteral("--count two"), QStringLiteral("--forever")}) {
        const Result result = watch(args.split(u' '));
        EXPECT_EQ(result.exitCode, 2) << args.toStdString();
        EXPECT_TRUE(result.lines.isEmpty());
    }
}

} // namespace
