#include "MonitorTestBench.h"
#include "app/NotificationCenter.h"

#include <QObject>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class WiFiMonitorTest : public ::testing::Test, protected MonitorTestBench {
protected:
    // Counts the notifications the monitor posts.
    int observed(const QString& name) {
        if (!counts.contains(name)) {
            counts.insert(name, 0);
            NotificationCenter::shared().observe(name, &observer,
                                                 [this, name](std::optional<bool>) { ++counts[name]; });
        }
        return counts.value(name);
    }

    void setLocalLink(int rssi, double rate = 300.0) {
        LocalLinkReading reading;
        reading.interfaceName = QStringLiteral("wlan0");
        reading.ssid = QStringLiteral("Studio");
        reading.rssi = rssi;
        reading.transmitRate = rate;
        reading.channelBand = 2;
        link.reading = reading;
    }

    static TitleRun run(const QString& text, RgbColour foreground, std::optional<RgbColour> background = {}) {
        return {text, foreground, background};
    }

    QObject observer;
    QHash<QString, int> counts;
};

TEST_F(WiFiMonitorTest, StartingTwicePollsOnceAndStartingAfterStopPollsAgain) {
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    setLocalLink(-50);
    monitor->start();
    monitor->start();
    EXPECT_EQ(menu.p2pUpdates, 1);
    EXPECT_TRUE(monitor->isPolling());

    monitor->stop();
    EXPECT_FALSE(monitor->isPolling());
    monitor->start();
    EXPECT_EQ(menu.p2pUpdates, 2);
}

// --- P2P mode ---

class WiFiMonitorP2P : public WiFiMonitorTest {
protected:
    void SetUp() override { settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi")); }
};

TEST_F(WiFiMonitorP2P, ALostLinkIsGreyDashesWithoutAlertsUntilItComesBackStillCritical) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    setLocalLink(-80);
    poll();
    ASSERT_EQ(monitor->alertManager().playingState(), SignalState::critical);

    setLocalLink(0);
    poll();
    EXPECT_EQ(statusItem.last(), StatusTitle{{run(QStringLiteral(" -- "), Colour::systemGrey)}});
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), std::nullopt);
    EXPECT_EQ(soundPlayer.events.last(), QStringLiteral("stop"));
    EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);

    setLocalLink(-80);
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), 250ms);
}

TEST_F(WiFiMonitorP2P, AnExcellentLinkIsSteadyAndACriticalOneFlashesAndIsLoggedOnce) {
    setLocalLink(-50);
    poll();
    EXPECT_EQ(statusItem.last(), StatusTitle{{run(QStringLiteral(" -50*5G"), Colour::excellentTeal)}});
    EXPECT_EQ(floating.colorA(), Colour::excellentTeal);
    EXPECT_EQ(menu.p2pLines.percent, 91);
    EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);
    EXPECT_TRUE(sessionLog.entries().isEmpty());

    setLocalLink(-80);
    poll();
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), 250ms);
    monitor->p2pFlashTick();
    EXPECT_EQ(statusItem.last(),
              StatusTitle{{run(QStringLiteral(" -80*5G"), Colour::black, Colour::systemRed)}});
    EXPECT_EQ(floating.colorA(), Colour::systemRed);
    monitor->p2pFlashTick();
    EXPECT_EQ(statusItem.last(), StatusTitle{{run(QStringLiteral(" -80*5G"), Colour::systemRed)}});
    EXPECT_EQ(floating.colorA(), Colour::black);
    ASSERT_EQ(sessionLog.entries().size(), 1);
    EXPECT_EQ(sessionLog.entries()[0].message, QStringLiteral("Signal critical — connection at risk"));
}

TEST_F(WiFiMonitorTest, SwitchingModesLeavesNothingOfTheOtherModeRunning) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -80);
    setRow(cameraMAC, -80);
    poll();
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    setLocalLink(-50);
    poll();

    EXPECT_EQ(targetA().flashInterval(), std::nullopt);
    EXPECT_EQ(targetB().flashInterval(), std::nullopt);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::b), std::nullopt);
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);

    setLocalLink(-80);
    poll();
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("router"));
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -50);
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);
}

// --- Idle indicator ---

TEST_F(WiFiMonitorTest, WithoutARouterTheBracketsBlinkAroundASteadyVt) {
    poll();
    EXPECT_EQ(statusItem.last(), WiFiMonitor::idleTitle(true));
    EXPECT_EQ(WiFiMonitor::idleTitle(true), (StatusTitle{{run(QStringLiteral(">"), Colour::slotBMagenta),
                                                          run(QStringLiteral("Vt"), Colour::excellentTeal),
                                                          run(QStringLiteral("<"), Colour::slotBMagenta)}}));
    EXPECT_EQ(menu.idleShown, 1);

    monitor->idleFlashTick();
    EXPECT_EQ(statusItem.last(), (StatusTitle{{run(QStringLiteral(">"), Colour::transparent),
                                               run(QStringLiteral("Vt"), Colour::excellentTeal),
                                               run(QStringLiteral("<"), Colour::transparent)}}));
    // A running blink is not restarted by the next idle poll.
    poll();
    EXPECT_EQ(monitor->idleBlinkPhase(), false);
}

// --- Status title ---

struct TitleRow {
    const char* name;
    const char* iconStyle;
    std::optional<int> rssi;
    int flashSteps;
    TitleRun expected;
    friend void PrintTo(const TitleRow& row, std::ostream* os) { *os << row.name; }
};

class WiFiMonitorTitle : public WiFiMonitorTest, public ::testing::WithParamInterface<TitleRow> {};

TEST_P(WiFiMonitorTitle, OneTargetGivesOneSegmentInItsStateColour) {
    settings.writeString(SettingsKey::iconStyle, QString::fromUtf8(GetParam().iconStyle));
    followTargets(laptopMAC);
    if (GetParam().rssi)
        setRow(laptopMAC, *GetParam().rssi);
    poll();
    for (int step = 0; step < GetParam().flashSteps; ++step)
        targetA().flashStep();

    EXPECT_EQ(statusItem.last(), StatusTitle{{GetParam().expected}});
}

const RgbColour yellow = Colour::systemYellow;

INSTANTIATE_TEST_SUITE_P(
    Rows, WiFiMonitorTitle,
    ::testing::Values(
        TitleRow{"excellentCombo", "combo", -50, 0, {QStringLiteral(" -50*5G"), Colour::excellentTeal, {}}},
        TitleRow{"excellentDot", "dot", -50, 0, {QStringLiteral("●"), Colour::excellentTeal, {}}},
        TitleRow{"marginalBrightPhase", "combo", -70, 1, {QStringLiteral(" -70*5G"), Colour::black, yellow}},
        TitleRow{"marginalDarkPhase", "combo", -70, 2, {QStringLiteral(" -70*5G"), yellow, {}}},
        TitleRow{"offline", "combo", std::nullopt, 0, {QStringLiteral(" -- "), Colour::systemGrey, {}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WiFiMonitorTest, TwoTargetsShareTheTitleAndSplitTheFloatingWindow) {
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -80);
    poll();
    targetB().flashStep();

    EXPECT_EQ(statusItem.last(),
              (StatusTitle{{run(QStringLiteral(" -50*5G"), Colour::excellentTeal),
                            run(QStringLiteral("|"), Colour::secondaryLabel),
                            run(QStringLiteral(" -80*5G"), Colour::black, Colour::systemRed)}}));
    EXPECT_EQ(floating.colorA(), Colour::excellentTeal);
    EXPECT_EQ(floating.colorB(), Colour::systemRed);
    EXPECT_EQ(floating.labelA(), QStringLiteral("A"));
    EXPECT_EQ(floating.labelB(), QStringLiteral("B"));
    EXPECT_TRUE(menu.sections.twoTargets);
    targetB().flashStep();
    EXPECT_EQ(floating.colorB(), Colour::black);
}

TEST_F(WiFiMonitorTest, ClearingCriticalTargetsSilencesAndResetsThemAndTheLastGoesIdle) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -80);
    poll();
    ASSERT_EQ(monitor->alertManager().playingState(), SignalState::critical);

    settings.writeString(SettingsKey::targetMAC2, QString());
    poll();
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::b), std::nullopt);
    EXPECT_EQ(targetB().flashInterval(), std::nullopt);
    EXPECT_EQ(menu.alertItems[TargetSlot::b], FakeMenuPresenter::AlertItems{});
    EXPECT_EQ(floating.colorB(), std::nullopt);
    EXPECT_EQ(statusItem.last().runs.size(), 1);
    EXPECT_FALSE(menu.sections.twoTargets);

    setRow(laptopMAC, -80);
    poll();
    ASSERT_EQ(monitor->alertManager().playingState(), SignalState::critical);
    settings.writeString(SettingsKey::targetMAC, QString());
    poll();
    EXPECT_EQ(targetA().currentState(), SignalState::excellent);
    EXPECT_EQ(targetA().flashInterval(), std::nullopt);
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);
    EXPECT_EQ(statusItem.last(), WiFiMonitor::idleTitle(true));
}

// --- Router health ---

TEST_F(WiFiMonitorTest, ProbeAnswerArrivingAfterASwitchToP2PDeclaresNothing) {
    followTargets(laptopMAC);
    setRow(laptopMAC, -50);
    poll();
    router.healthy = false;
    monitor->healthTick();
    QCoreApplication::sendPostedEvents();
    router.holdProbes = true;
    monitor->healthTick();

    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi"));
    poll();
    for (auto& answer : router.pendingProbes)
        answer(false);
    QCoreApplication::sendPostedEvents();

    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_TRUE(logged(VtCode::nodeUnreachable).isEmpty());
}

TEST_F(WiFiMonitorTest, TwoFailedProbesInARowDeclareTheRouterUnreachableOnceUntilOneSucceeds) {
    followTargets(laptopMAC);
    setRow(laptopMAC, -70);
    poll();
    observed(NotificationName::routerBecameUnreachable);
    observed(NotificationName::routerRecovered);
    const auto probe = [this](bool healthy) {
        router.healthy = healthy;
        monitor->healthTick();
        QCoreApplication::sendPostedEvents();
    };
    probe(false);
    probe(true);
    probe(false);
    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_TRUE(logged(VtCode::nodeUnreachable).isEmpty());

    settings.writeBool(SettingsKey::audioEnabled, true);
    probe(false);
    probe(false);

    EXPECT_TRUE(monitor->routerIsDown());
    EXPECT_EQ(observed(NotificationName::routerBecameUnreachable), 1);
    EXPECT_EQ(logged(VtCode::nodeUnreachable).size(), 1);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), SignalState::critical);
    EXPECT_EQ(menu.alertItems[TargetSlot::a], (FakeMenuPresenter::AlertItems{true, false}));
    EXPECT_EQ(targetA().flashInterval(), 250ms);
    EXPECT_EQ(floating.colorA(), Colour::systemRed);
    // The reading means nothing now: the segment flashes red, whatever it was.
    targetA().flashStep();
    EXPECT_EQ(statusItem.last(),
              StatusTitle{{run(QStringLiteral(" -- "), Colour::black, Colour::systemRed)}});
    // While down, polls ask the router nothing.
    const qsizetype fetches = router.fetchedMACs.size();
    poll();
    EXPECT_EQ(router.fetchedMACs.size(), fetches);

    // Recovery starts over: the target flashes by its own state again.
    probe(true);
    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_EQ(observed(NotificationName::routerRecovered), 1);
    EXPECT_EQ(router.sessionResets, 1);
    EXPECT_EQ(logged(VtCode::nodeRecovered).size(), 1);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), std::nullopt);
    poll();
    EXPECT_EQ(targetA().flashInterval(), 1000ms);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), SignalState::marginal);
}

// --- Router answers ---

TEST_F(WiFiMonitorTest, ASlotWaitingForItsRowGetsNoSecondRequest) {
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    router.holdFetches = true;
    poll();
    poll();
    poll();
    EXPECT_EQ(router.fetchedMACs, (QStringList{laptopMAC, cameraMAC}));

    router.pendingFetches[0].completion(router.row(laptopMAC));
    QCoreApplication::sendPostedEvents();
    poll();
    EXPECT_EQ(router.fetchedMACs, (QStringList{laptopMAC, cameraMAC, laptopMAC}));
    EXPECT_EQ(menu.targets[TargetSlot::a].rssi, -50);
}

TEST_F(WiFiMonitorTest, AnAnswerToARequestSentBeforeADisconnectIsDropped) {
    followTargets(laptopMAC);
    setRow(laptopMAC, -80);
    router.holdFetches = true;
    poll();
    FakeRouterService::PendingFetch stale = std::move(router.pendingFetches[0]);
    router.pendingFetches.clear();

    NotificationCenter::shared().post(NotificationName::veltranoDisconnect);
    EXPECT_EQ(statusItem.last(), WiFiMonitor::idleTitle(true));
    stale.completion(router.row(laptopMAC));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(menu.targets.contains(TargetSlot::a));
    EXPECT_EQ(targetA().currentState(), SignalState::excellent);

    // The new connection does not wait for the dropped one's request.
    poll();
    EXPECT_EQ(router.fetchedMACs.size(), 2);
}

// An answer that comes back after its slot was given up must not bring the
// slot's alarm and flash back with nobody left to stop them.
struct LateAnswerRow {
    const char* name;
    QStringList criticalMACs;
    void (*change)(MonitorTestBench&);
    friend void PrintTo(const LateAnswerRow& row, std::ostream* os) { *os << row.name; }
};

class WiFiMonitorLateAnswer : public WiFiMonitorTest, public ::testing::WithParamInterface<LateAnswerRow> {};

TEST_P(WiFiMonitorLateAnswer, IsDroppedOnceItsSlotFollowsAnotherTargetOrNone) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -50);
    poll();
    router.holdFetches = true;
    for (const QString& mac : GetParam().criticalMACs)
        setRow(mac, -80);
    poll();
    GetParam().change(*this);
    poll();

    for (FakeRouterService::PendingFetch& pending : router.pendingFetches)
        pending.completion(router.row(pending.mac));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);
    EXPECT_EQ(targetA().flashInterval(), std::nullopt);
    EXPECT_EQ(targetB().flashInterval(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WiFiMonitorLateAnswer,
    ::testing::Values(LateAnswerRow{"secondTargetRemoved",
                                    {MonitorTestBench::cameraMAC},
                                    [](MonitorTestBench& bench) {
                                        bench.settings.writeString(SettingsKey::targetMAC2, QString());
                                    }},
                      LateAnswerRow{"firstTargetReplaced",
                                    {MonitorTestBench::laptopMAC},
                                    [](MonitorTestBench& bench) {
                                        bench.settings.writeString(SettingsKey::targetMAC,
                                                                   QStringLiteral("3C:22:FB:00:00:03"));
                                    }},
                      LateAnswerRow{"routerModeLeft",
                                    {MonitorTestBench::laptopMAC, MonitorTestBench::cameraMAC},
                                    [](MonitorTestBench& bench) {
                                        bench.settings.writeString(SettingsKey::monitoringMode,
                                                                   QStringLiteral("wifi"));
                                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Network changes ---

TEST_F(WiFiMonitorTest, ABurstOfNetworkEventsGivesOneCheckButEveryNotification) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    observed(NotificationName::networkGatewayChanged);
    for (int event = 0; event < 5; ++event)
        Q_EMIT networkEvents.networkChanged();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(observed(NotificationName::networkGatewayChanged), 5);
    EXPECT_TRUE(monitor->networkWatcher().isCheckPending());
    EXPECT_EQ(router.gatewayLookups, 0);
    ASSERT_TRUE(waitUntil([this] { return router.gatewayLookups > 0; }, 3000));
    EXPECT_FALSE(monitor->networkWatcher().isCheckPending());
    QCoreApplication::processEvents();
    EXPECT_EQ(router.gatewayLookups, 1);
}

TEST_F(WiFiMonitorTest, StoppingDropsThePendingNetworkCheck) {
    monitor->start();
    Q_EMIT networkEvents.networkChanged();
    monitor->stop();
    EXPECT_FALSE(monitor->networkWatcher().isCheckPending());
}

struct NetworkRow {
    const char* name;
    QList<GatewayOption> gateways;
    QSet<QString> onWiFi;
    bool disconnects;
    const char* routerIPAfter;
    friend void PrintTo(const NetworkRow& row, std::ostream* os) { *os << row.name; }
};

class WiFiMonitorNetworkCheck : public WiFiMonitorTest, public ::testing::WithParamInterface<NetworkRow> {};

TEST_P(WiFiMonitorNetworkCheck, ARouterNoLongerAmongTheGatewaysIsDisconnectedAndReplaced) {
    followTargets(laptopMAC);
    observed(NotificationName::veltranoDisconnect);
    router.gateways = GetParam().gateways;
    router.wifiGateways = GetParam().onWiFi;
    monitor->networkWatcher().checkNetworkChange();

    EXPECT_EQ(settings.readBool(SettingsKey::routerConnected), !GetParam().disconnects);
    EXPECT_EQ(router.disconnects, GetParam().disconnects ? 1 : 0);
    EXPECT_EQ(observed(NotificationName::veltranoDisconnect), GetParam().disconnects ? 1 : 0);
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), QString::fromUtf8(GetParam().routerIPAfter));
}

const GatewayOption oldRouter{QStringLiteral("192.168.8.1"), QStringLiteral("GL.iNet")};
const GatewayOption wiredGateway{QStringLiteral("10.0.0.1"), QStringLiteral("eth0")};
const GatewayOption wifiGateway{QStringLiteral("10.0.1.1"), QStringLiteral("wlan0")};

INSTANTIATE_TEST_SUITE_P(
    Rows, WiFiMonitorNetworkCheck,
    ::testing::Values(
        NetworkRow{"routerStillAGateway", {wiredGateway, oldRouter}, {}, false, "192.168.8.1"},
        NetworkRow{
            "firstWiFiGatewayTakesOver", {wiredGateway, wifiGateway}, {wifiGateway.ip}, true, "10.0.1.1"},
        NetworkRow{"noWiFiGatewayKeepsTheAddress", {wiredGateway}, {}, true, "192.168.8.1"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Alert controls ---

TEST_F(WiFiMonitorTest, ReEnablingLogsAndShowsTheSlotsAlertItemsAgain) {
    followTargets(laptopMAC);
    setRow(laptopMAC, -70);
    poll();
    monitor->alertManager().disable(TargetSlot::a);
    monitor->updateAlertMenuItems();
    EXPECT_EQ(menu.alertItems[TargetSlot::a], (FakeMenuPresenter::AlertItems{false, true}));

    monitor->reEnableAlerts(TargetSlot::a);
    EXPECT_EQ(logged(VtCode::alertReEnabled), QStringList{QString()});
    EXPECT_EQ(menu.alertItems[TargetSlot::a], (FakeMenuPresenter::AlertItems{true, false}));
}

TEST_F(WiFiMonitorTest, SnoozingAllSilencesBothSlotsUntilTheDeadline) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -80);
    setRow(cameraMAC, -80);
    poll();
    monitor->snoozeAll(5);
    poll();
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);

    clock.advance(5 * 60 * 1000);
    poll();
    EXPECT_EQ(monitor->alertManager().playingState(), SignalState::critical);
}

} // namespace
