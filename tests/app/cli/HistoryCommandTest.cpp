#include "app/cli/HistoryCommand.h"

#include "CliTestSupport.h"
#include "ScopedTimeZone.h"
#include "TestEnvironment.h"
#include "app/cli/HistoryTime.h"
#include "logs/HistoryDatabase.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// 2026-12-09T14:00:00Z.
constexpr qint64 nowMs = 1'796'824'800'000;

struct HistoryCommandTest : testing::Test {
    CliRun run(int (*command)(const QStringList&, const HistoryCommandContext&, QTextStream&, QTextStream&),
               const QStringList& args) {
        return capture([&](QTextStream& out, QTextStream& err) { return command(args, context, out, err); });
    }
    CliRun report(QAnyStringView args) {
        return run(runReportCommand, args.toString().split(u' ', Qt::SkipEmptyParts));
    }
    CliRun history(QAnyStringView args) {
        return run(runHistoryCommand, args.toString().split(u' ', Qt::SkipEmptyParts));
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    const HistoryCommandContext context{
        environment.path(QStringLiteral("history.sqlite3")), settings, nowMs, {}};
};

TEST_F(HistoryCommandTest, ReadsTimesAsIsoOrAgoAndAnswersMisuseBeforeLookingForTheHistory) {
    EXPECT_EQ(HistoryTime::parse(QStringLiteral("15m"), nowMs), nowMs - 900'000);
    EXPECT_EQ(HistoryTime::parse(QStringLiteral("3d"), nowMs), nowMs - 259'200'000);
    EXPECT_EQ(HistoryTime::parse(QStringLiteral("2026-12-09T14:00"), nowMs), nowMs);
    EXPECT_EQ(HistoryTime::parse(QStringLiteral("2026-12-09T15:00:30+01:00"), nowMs), nowMs + 30'000);
    for (const char* bad : {"", "2026-12-09", "2026-12-09T25:00", "-2h", "2w"})
        EXPECT_EQ(HistoryTime::parse(QString::fromLatin1(bad), nowMs), std::nullopt) << bad;
    if (ScopedTimeZone::isInstalled("America/New_York")) {
        ScopedTimeZone newYork("America/New_York");
        EXPECT_EQ(HistoryTime::parse(QStringLiteral("2026-12-09T09:00"), nowMs), nowMs);
    }

    for (const CliRun& misuse :
         {report("--rows"), report("--since"), report("--since yesterday"), report("--since 1h --until 2h"),
          report("--json --csv out.csv"), history("--json --rows")}) {
        EXPECT_EQ(misuse.exitCode, 2);
        EXPECT_EQ(misuse.err.count(u'\n'), 1) << misuse.err.toStdString();
    }
    EXPECT_EQ(history({}).err,
              QStringLiteral("veltrano-cli: no signal history at %1\n").arg(context.databasePath));
}

TEST_F(HistoryCommandTest, ReportsAndListsWhatTheDatabaseHoldsForTheRange) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    settings.writeString(SettingsKey::detectedModelName, QStringLiteral("GL.iNet GL-MT6000"));
    QList<HistoryReading> readings;
    for (const auto& [agoMs, state, rssi] : {std::tuple(100'000'000, SignalState::critical, -90),
                                             {50'000, SignalState::critical, -84},
                                             {38'000, SignalState::excellent, -58}})
        readings.append({nowMs - agoMs,
                         TargetSlot::a,
                         {},
                         QStringLiteral("R5"),
                         rssi,
                         433,
                         state,
                         QStringLiteral("5 GHz"),
                         QStringLiteral("AP1"),
                         0,
                         true,
                         0,
                         0});
    ASSERT_EQ(HistoryDatabase::open(context.databasePath).database->write(readings, {}), std::nullopt);

    EXPECT_EQ(report({}).out,
              QStringLiteral("Camera  Start                Duration  Lowest RSSI  Access point  Router\n"
                             "R5      2026-12-09 13:59:10  12 s      -84 dBm      AP1\n"));
    EXPECT_EQ(history("--rows --since 1m").out,
              QStringLiteral("2026-12-09 13:59:10  A  R5  -84 dBm  433 Mbit/s  Critical   5 GHz  AP1\n"
                             "2026-12-09 13:59:22  A  R5  -58 dBm  433 Mbit/s  Excellent  5 GHz  AP1\n"));
    EXPECT_TRUE(report("--json --since 2d").out.contains(QStringLiteral("\"rssi\":-90")));

    const QString page = environment.path(QStringLiteral("report.html"));
    EXPECT_EQ(report(QStringLiteral("--html ") + page).exitCode, 0);
    QFile file(page);
    EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::Permissions());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) &&
                file.readAll().contains("<p>GL.iNet GL-MT6000 at 192.168.8.1</p>"));
    EXPECT_EQ(report(QStringLiteral("--csv ") + environment.path(QStringLiteral("no/folder.csv"))).exitCode,
              1);
}

} // namespace
