#include "MonitorTestBench.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class TargetMonitorTest : public ::testing::Test, protected MonitorTestBench {
protected:
    void SetUp() override { followTargets(laptopMAC); }

    QStringList sessionMessages() const {
        QStringList messages;
        for (const LogEntry& entry : sessionLog.entries())
            messages.append(entry.message);
        return messages;
    }
};

// A laptop is no camera: on 2.4 GHz it is judged by its signal alone.
TEST_F(TargetMonitorTest, FirstExcellentReadingStartsTheSessionWithoutATransition) {
    setRow(laptopMAC, -50, QStringLiteral("2.4G"));
    poll();

    EXPECT_EQ(targetA().currentState(), SignalState::excellent);
    EXPECT_EQ(targetA().lastKnownBand(), QStringLiteral("2.4G"));
    EXPECT_EQ(sessionMessages(), QStringList{QStringLiteral("Monitoring started · 192.168.8.20")});
    EXPECT_EQ(logged(VtCode::monitorStarted), QStringList{QString()});
    EXPECT_TRUE(logged(VtCode::stateTransition).isEmpty());
    EXPECT_EQ(sessionLog.entries()[0].rssi, -50);
}

TEST_F(TargetMonitorTest, TransitionsLogWithTheSlotPrefixAndFlashAtTheStateRate) {
    settings.writeString(SettingsKey::targetName, QStringLiteral("R5"));
    settings.writeString(SettingsKey::targetMAC2, cameraMAC);
    std::vector<SignalState> entered;
    QObject::connect(&targetA(), &TargetMonitor::stateEntered,
                     [&](SignalState state) { entered.push_back(state); });
    setRow(laptopMAC, -50);
    poll();
    setRow(laptopMAC, -70);
    poll();
    EXPECT_EQ(targetA().flashInterval(), 1000ms);
    setRow(laptopMAC, -80);
    poll();
    EXPECT_EQ(targetA().flashInterval(), 250ms);
    setRow(laptopMAC, -50);
    poll();

    const auto slotA = [](const QStringList& lines) {
        return lines.filter(QRegularExpression(QStringLiteral("^R5: ")));
    };
    EXPECT_EQ(logged(VtCode::monitorStarted), (QStringList{QStringLiteral("R5"), QStringLiteral("B")}));
    EXPECT_EQ(slotA(logged(VtCode::stateTransition)),
              (QStringList{QStringLiteral("R5: Marginal"), QStringLiteral("R5: Critical"),
                           QStringLiteral("R5: Excellent")}));
    EXPECT_EQ(slotA(sessionMessages()),
              (QStringList{QStringLiteral("R5: Monitoring started · R5 · 192.168.8.20"),
                           QStringLiteral("R5: Signal marginal — move closer to router · 192.168.8.20"),
                           QStringLiteral("R5: Signal critical — connection at risk · 192.168.8.20"),
                           QStringLiteral("R5: Signal excellent · 192.168.8.20")}));
    EXPECT_EQ(entered, (std::vector{SignalState::marginal, SignalState::critical, SignalState::excellent}));
    EXPECT_EQ(targetA().flashInterval(), std::nullopt);
}

TEST_F(TargetMonitorTest, AStateAlreadyRecordedUnderThePrefixIsNotWrittenAgain) {
    sessionLog.lastStateByPrefix().insert(QString(), QStringLiteral("Marginal"));
    setRow(laptopMAC, -50);
    poll();
    setRow(laptopMAC, -70);
    poll();

    EXPECT_EQ(logged(VtCode::stateTransition), QStringList{QStringLiteral("Marginal")});
    // Monitoring started set the record to Excellent, so Marginal is new again.
    EXPECT_EQ(sessionLog.entries().size(), 2);
    sessionLog.lastStateByPrefix().insert(QString(), QStringLiteral("Critical"));
    setRow(laptopMAC, -80);
    poll();
    EXPECT_EQ(sessionLog.entries().size(), 2);
}

TEST_F(TargetMonitorTest, OnlyACriticalTargetStaysWhatItWasWhenTheRouterStopsListingIt) {
    setRow(laptopMAC, -70);
    poll();
    router.rows.clear();
    poll();
    EXPECT_EQ(targetA().currentState(), SignalState::offline);
    EXPECT_EQ(menu.targets[TargetSlot::a].row.ip, QStringLiteral("192.168.8.20"));
    // Its name stays what the router last called it.
    EXPECT_EQ(menu.targets[TargetSlot::a].row.hostname, QStringLiteral("MacBook"));
    EXPECT_EQ(targetA().deviceName(), QStringLiteral("MacBook"));
    EXPECT_EQ(sessionLog.entries().last().message, QStringLiteral("Device offline · 192.168.8.20"));
    EXPECT_EQ(sessionLog.entries().last().rssi, std::nullopt);
    EXPECT_EQ(sessionLog.entries().last().percent, std::nullopt);
    EXPECT_EQ(targetA().flashInterval(), std::nullopt);

    setRow(laptopMAC, -80);
    poll();
    router.rows.clear();
    poll();
    EXPECT_EQ(targetA().currentState(), SignalState::critical);
    EXPECT_EQ(menu.targets[TargetSlot::a].row.ip, QStringLiteral("192.168.8.20"));
    EXPECT_EQ(targetA().flashInterval(), 250ms);
}

// Without radio figures for want of the router's ssh the link is unmeasured: its
// state and session log stay, nothing alarms, the title shows no reading; the
// next measured row is classified as ever.
TEST_F(TargetMonitorTest, ARowWhoseRadioTheRouterCouldNotReadNeitherClassifiesNorAlarms) {
    setRow(laptopMAC, -80);
    poll();
    setRow(laptopMAC, -99, QStringLiteral("5G"), 0.0);
    router.rows[laptopMAC].radioTransportDown = true;
    poll();
    EXPECT_EQ(targetA().currentState(), SignalState::critical);
    EXPECT_FALSE(menu.alertItems[TargetSlot::a].alerting);
    EXPECT_EQ(statusItem.last().runs,
              (QList<TitleRun>{{QStringLiteral(" -- "), Colour::systemGrey, std::nullopt}}));

    setRow(laptopMAC, -80);
    poll();
    EXPECT_TRUE(menu.alertItems[TargetSlot::a].alerting);
    EXPECT_EQ(targetA().flashInterval(), 250ms);
}

TEST_F(TargetMonitorTest, ACameraOn24GHzIsCriticalAtAnySignalAndWarnsOnceUntilReset) {
    settings.writeString(SettingsKey::targetMAC, cameraMAC);
    setRow(cameraMAC, -40, QStringLiteral("2.4G"));
    poll();
    setRow(cameraMAC, -40, QStringLiteral("5G"));
    poll();
    setRow(cameraMAC, -40, QStringLiteral("2.4G"));
    poll();

    const QString warning = QStringLiteral("2.4 GHz band — critical: limited throughput");
    EXPECT_EQ(targetA().currentState(), SignalState::critical);
    EXPECT_EQ(logged(VtCode::stateTransition).count(warning), 1);
    EXPECT_EQ(
        sessionMessages().count(QStringLiteral("Device on 2.4 GHz — limited throughput · 192.168.8.20")), 1);

    targetA().reset();
    poll();
    EXPECT_EQ(logged(VtCode::stateTransition).count(warning), 2);
}

// The first access point is where the session began; each move is one line.
TEST_F(TargetMonitorTest, ARoamToAnotherAccessPointIsLoggedOnce) {
    followTargets(cameraMAC, laptopMAC);
    for (const char* accessPoint : {"Studio-South", "", "Studio-South", "Studio-North", "Studio-North"}) {
        setRow(cameraMAC, -55);
        router.rows[cameraMAC].accessPoint = QString::fromUtf8(accessPoint);
        poll();
    }
    const QStringList moves = sessionMessages().filter(QStringLiteral(" moved to "));
    EXPECT_EQ(moves, QStringList{QStringLiteral("A \u00b7 EOS R5 moved to Studio-North (5 GHz)")});
}

// --- Throughput ---

// Rows: after polls {ms since the last, total bytes}, the current, peak and
// average shown and the bursts logged. Rows sit either side of each limit.
TEST_F(TargetMonitorTest, ThroughputSamplesOnlyPlausibleIntervalsAndRates) {
    struct Row {
        std::vector<std::pair<qint64, std::uint64_t>> polls;
        double current, peak, average;
        QStringList bursts;
    };
    const QStringList start{QStringLiteral("burst start, -50 dBm")};
    const QStringList startAndEnd = start + QStringList{QStringLiteral("burst end, -50 dBm")};
    const double justBelow500 = 499.999999;
    settings.writeBool(SettingsKey::showDev, true);
    for (const Row& row : std::initializer_list<Row>{
             {{{0, 10'000'000}, {1000, 13'000'000}, {1000, 13'000'000}}, 0, 3, 3, startAndEnd},
             {{{0, 10'000'000}, {1000, 4'000'000}, {1000, 4'400'000}}, 0.4, 0.4, 0, {}},
             {{{0, 1'000'000}, {1000, 501'000'000}}, 0, 0, 0, {}},
             {{{0, 1'000'000}, {1000, 500'999'999}}, justBelow500, justBelow500, justBelow500, start},
             {{{0, 1'000'000}, {100, 2'000'000}}, 0, 0, 0, {}},
             {{{0, 1'000'000}, {101, 1'101'000}}, 1, 1, 1, start},
             {{{0, 1'000'000}, {125, 1'062'500}}, 0.5, 0.5, 0, {}}}) {
        monitor->resetAllBandwidthStats();
        systemLog.lines.clear();
        for (const auto& [afterMs, totalBytes] : row.polls) {
            clock.advance(afterMs);
            setRow(laptopMAC, -50, QStringLiteral("5G"), 300.0, totalBytes);
            poll();
        }
        const FakeMenuPresenter::Throughput shown = menu.throughput[TargetSlot::a];
        SCOPED_TRACE(row.polls.back().second);
        ASSERT_FALSE(shown.hidden());
        EXPECT_DOUBLE_EQ(*shown.current, row.current);
        EXPECT_DOUBLE_EQ(*shown.peak, row.peak);
        EXPECT_DOUBLE_EQ(*shown.average, row.average);
        EXPECT_EQ(logged(VtCode::bandwidthBurst), row.bursts);
    }
}

TEST_F(TargetMonitorTest, EveryThirdPollWithCountersWritesTheThroughputLine) {
    settings.writeBool(SettingsKey::showDev, true);
    const std::vector<std::uint64_t> totals{10'000'000, 0, 13'000'000, 13'000'000, 0, 20'000'000};
    for (const std::uint64_t total : totals) {
        clock.advance(1000);
        setRow(laptopMAC, -50, QStringLiteral("5G"), 300.0, total);
        poll();
    }

    const QStringList lines = logged(VtCode::bandwidthSample);
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("bytes check: tx=5000000 rx=5000000 total=10000000"),
                           QStringLiteral("0.0 MB/s cur, 1.5 peak, 1.5 avg (1 active samples), -50 dBm")}));
    EXPECT_EQ(logged(VtCode::bandwidthRawPoll).size(), 6);
    EXPECT_EQ(logged(VtCode::bandwidthRawPoll).first(),
              QStringLiteral("raw: rssi=-50 dBm, txBytes=5000000, rxBytes=5000000"));
}

TEST_F(TargetMonitorTest, ThroughputNeedsTheDeveloperSettingAndStartsOverAfterAReset) {
    const auto pollWithTotal = [this](std::uint64_t total) {
        clock.advance(1000);
        setRow(laptopMAC, -50, QStringLiteral("5G"), 300.0, total);
        poll();
    };
    pollWithTotal(10'000'000);
    pollWithTotal(13'000'000);
    EXPECT_TRUE(menu.throughput[TargetSlot::a].hidden());
    for (const VtCode code : {VtCode::bandwidthSample, VtCode::bandwidthRawPoll, VtCode::bandwidthBurst})
        EXPECT_TRUE(logged(code).isEmpty());

    settings.writeBool(SettingsKey::showDev, true);
    pollWithTotal(16'000'000);
    pollWithTotal(19'000'000);
    monitor->resetAllBandwidthStats();
    pollWithTotal(25'000'000);
    const FakeMenuPresenter::Throughput shown = menu.throughput[TargetSlot::a];
    EXPECT_EQ(shown.current, 0.0);
    EXPECT_EQ(shown.peak, 0.0);
    EXPECT_EQ(shown.average, 0.0);
}

} // namespace
