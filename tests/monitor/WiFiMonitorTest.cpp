#include "MonitorTestBench.h"
#include "settings/NotificationCenter.h"

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
        link.reading =
            LocalLinkReading{QStringLiteral("wlan0"), QStringLiteral("Studio"), rssi, {}, rate, 0, 2};
    }

    static TitleRun run(const QString& text, RgbColour foreground, std::optional<RgbColour> background = {}) {
        return {text, foreground, background};
    }
    QList<TitleRun> shownRuns() const { return statusItem.last().runs; }

    // Nothing of an alarm is left: no flash, no sound, no alert items.
    void expectSilentAndSteady() {
        EXPECT_EQ(targetA().flashInterval(), std::nullopt);
        EXPECT_EQ(targetB().flashInterval(), std::nullopt);
        EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);
        EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);
        EXPECT_FALSE(menu.alertItems.value(TargetSlot::a).alerting);
    }

    void setMode(const char* mode) {
        settings.writeString(SettingsKey::monitoringMode, QString::fromLatin1(mode));
    }

    void probe(bool healthy) {
        router.healthy = healthy;
        monitor->healthTick();
        QCoreApplication::sendPostedEvents();
    }

    // Two targets, B critical and sounding, and a request of each still out.
    void alarmOnBWithRequestsOut() {
        router.holdFetches = false;
        answerHeldFetches();
        setMode("router");
        settings.writeBool(SettingsKey::audioEnabled, true);
        followTargets(laptopMAC, cameraMAC);
        setRow(laptopMAC, -50);
        setRow(cameraMAC, -80);
        poll();
        ASSERT_EQ(monitor->alertManager().playingState(), SignalState::critical);
        router.holdFetches = true;
        poll();
        ASSERT_EQ(router.pendingFetches.size(), 2);
    }

    static inline const QString otherMAC = QStringLiteral("3C:22:FB:00:00:03");
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

// --- One reset path ---

// However what is followed changes, the alarm stops, the answers still out are
// dropped (the next round of the loop would find its first poll unanswered
// otherwise), and no router line is left behind.
TEST_F(WiFiMonitorTest, GivingUpWhatIsFollowedSilencesAndDropsTheAnswersStillOut) {
    // A change to the settings takes effect at the next poll.
    const auto set = [this](const QString& key, const QString& value) {
        settings.writeString(key, value);
        poll();
    };
    const std::vector<std::tuple<const char*, bool, std::function<void()>>> changes{
        {"slot A emptied", true, [&] { set(SettingsKey::targetMAC, QString()); }},
        {"slot B replaced", false, [&] { set(SettingsKey::targetMAC2, otherMAC); }},
        {"slot B emptied", false, [&] { set(SettingsKey::targetMAC2, QString()); }},
        {"router address changed", false, [&] { set(SettingsKey::routerIP, QStringLiteral("192.168.9.1")); }},
        {"router disconnected by anyone", true,
         [&] {
             settings.writeBool(SettingsKey::routerConnected, false);
             poll();
         }},
        {"router disconnected by the window", true,
         [&] { NotificationCenter::shared().post(NotificationName::veltranoDisconnect); }},
        {"stopped", false, [&] { monitor->stop(); }},
        {"switched to P2P", false, [&] { set(SettingsKey::monitoringMode, QStringLiteral("wifi")); }},
    };
    for (const auto& [name, idle, change] : changes) {
        SCOPED_TRACE(name);
        alarmOnBWithRequestsOut();
        std::vector<FakeRouterService::PendingFetch> stillOut = std::move(router.pendingFetches);
        router.pendingFetches.clear();
        change();
        expectSilentAndSteady();
        EXPECT_EQ(statusItem.last() == WiFiMonitor::idleTitle(true), idle);
        for (FakeRouterService::PendingFetch& fetch : stillOut)
            fetch.completion(router.row(fetch.mac));
        QCoreApplication::sendPostedEvents();
        expectSilentAndSteady();
    }
    EXPECT_FALSE(menu.sections.twoTargets);
}

// A router found down, then P2P, then router mode again: nothing of the outage
// is left, and the new readings drive flash and sound.
TEST_F(WiFiMonitorTest, RouterModeAfterAnOutageAndAModeSwitchStartsFresh) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC);
    setRow(laptopMAC, -50);
    poll();
    probe(false);
    probe(false);
    ASSERT_TRUE(monitor->routerIsDown());

    setMode("wifi");
    poll();
    setMode("router");
    setRow(laptopMAC, -70);
    poll();
    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_EQ(targetA().flashInterval(), 1000ms);
    EXPECT_EQ(monitor->alertManager().playingState(), SignalState::marginal);
    // The failure count started over too: one failed probe declares nothing.
    probe(false);
    EXPECT_FALSE(monitor->routerIsDown());
}

// --- P2P mode ---

class WiFiMonitorP2P : public WiFiMonitorTest {
protected:
    void SetUp() override { setMode("wifi"); }
};

TEST_F(WiFiMonitorP2P, ALostLinkIsGreyAndSilentUntilItComesBackStillCritical) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    setLocalLink(-80);
    poll();
    ASSERT_EQ(monitor->alertManager().playingState(), SignalState::critical);

    setLocalLink(0);
    poll();
    EXPECT_EQ(shownRuns(), QList<TitleRun>{run(QStringLiteral(" -- "), Colour::systemGrey)});
    EXPECT_EQ(floating.colorA(), Colour::systemGrey);
    EXPECT_EQ(menu.localLinkUnavailable, true);
    expectSilentAndSteady();

    link.reading.reset();
    poll();
    EXPECT_EQ(menu.localLinkUnavailable, false);
    EXPECT_EQ(statusItem.last().toolTip, QStringLiteral("No Wi-Fi interface on this computer"));

    setLocalLink(-80);
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), 250ms);
    // The local link's flash would paint over router mode's title.
    setMode("router");
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);
}

// The computer's link is the camera's: each poll goes to the history as slot
// A, and its loss as offline once a link was seen.
TEST_F(WiFiMonitorP2P, EveryReadingAndALostLinkGoToTheHistory) {
    QList<HistoryReading> recorded;
    QObject::connect(monitor.get(), &WiFiMonitor::readingTaken,
                     [&](const HistoryReading& reading) { recorded.append(reading); });
    setLocalLink(0);
    poll();
    EXPECT_TRUE(recorded.isEmpty());
    setLocalLink(-80);
    poll();
    setLocalLink(0);
    poll();
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_EQ(std::tuple(recorded[0].slot, recorded[0].rssi, recorded[0].state),
              std::tuple(TargetSlot::a, -80, SignalState::critical));
    EXPECT_EQ(std::tuple(recorded[1].rssi, recorded[1].state, recorded[1].listed),
              std::tuple(0, SignalState::offline, false));
}

TEST_F(WiFiMonitorP2P, AnExcellentLinkIsSteadyAndACriticalOneFlashesOnOneReadingAPoll) {
    setLocalLink(-50);
    poll();
    EXPECT_EQ(shownRuns(), QList<TitleRun>{run(QStringLiteral(" -50*5G"), Colour::excellentTeal)});
    EXPECT_EQ(statusItem.last().toolTip, QStringLiteral("Studio · Excellent · -50 dBm · 5 GHz"));
    EXPECT_EQ(floating.colorA(), Colour::excellentTeal);
    EXPECT_EQ(menu.p2pLines.percent, 91);
    EXPECT_EQ(monitor->p2pFlashInterval(), std::nullopt);
    EXPECT_TRUE(sessionLog.entries().isEmpty());

    setLocalLink(-80);
    poll();
    poll();
    EXPECT_EQ(monitor->p2pFlashInterval(), 250ms);
    monitor->p2pFlashTick();
    EXPECT_EQ(shownRuns(), QList<TitleRun>{run(QStringLiteral(" -80*5G"), Colour::black, Colour::systemRed)});
    EXPECT_EQ(floating.colorA(), Colour::systemRed);
    monitor->p2pFlashTick();
    EXPECT_EQ(shownRuns(), QList<TitleRun>{run(QStringLiteral(" -80*5G"), Colour::systemRed)});
    EXPECT_EQ(floating.colorA(), Colour::black);
    ASSERT_EQ(sessionLog.entries().size(), 1);
    EXPECT_EQ(sessionLog.entries()[0].message, QStringLiteral("Signal critical — connection at risk"));
    // A wedged driver may take a second per reading: one per poll, shared by
    // the title, its band and the flash.
    EXPECT_EQ(link.reads, 3);
}

// --- Idle indicator ---

TEST_F(WiFiMonitorTest, WithoutARouterTheBracketsBlinkAroundASteadyVt) {
    poll();
    EXPECT_EQ(statusItem.last(), WiFiMonitor::idleTitle(true));
    EXPECT_EQ(WiFiMonitor::idleTitle(true).runs,
              (QList<TitleRun>{run(QStringLiteral(">"), Colour::slotBMagenta),
                               run(QStringLiteral("Vt"), Colour::excellentTeal),
                               run(QStringLiteral("<"), Colour::slotBMagenta)}));
    EXPECT_EQ(menu.idleShown, 1);

    monitor->idleFlashTick();
    EXPECT_EQ(shownRuns(), (QList<TitleRun>{run(QStringLiteral(">"), Colour::transparent),
                                            run(QStringLiteral("Vt"), Colour::excellentTeal),
                                            run(QStringLiteral("<"), Colour::transparent)}));
    // A running blink is not restarted by the next idle poll.
    poll();
    EXPECT_EQ(monitor->idleBlinkPhase(), false);
}

TEST_F(WiFiMonitorTest, TheIdlePanelAsksWhereTheRouterIsOnlyAfterANetworkChange) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    router.wifiGateways.insert(QStringLiteral("192.168.8.1"));
    setLocalLink(-70, 300.0);
    poll();
    poll();
    EXPECT_EQ(floating.colorA(), Colour::systemYellow);
    EXPECT_EQ(router.wifiGatewayQueries, 1);
    Q_EMIT networkEvents.networkChanged();
    poll();
    EXPECT_EQ(router.wifiGatewayQueries, 2);
    monitor->stop();
}

// --- Status title ---

const RgbColour yellow = Colour::systemYellow;
const RgbColour red = Colour::systemRed;

TEST_F(WiFiMonitorTest, OneTargetGivesOneSegmentInItsStateColour) {
    // The computer's own link is on 2.4 GHz: no router target borrows its band.
    setLocalLink(-50);
    link.reading->channelBand = 1;
    followTargets(laptopMAC);
    struct Row {
        const char* iconStyle;
        std::optional<int> rssi;
        const char* band;
        int flashSteps;
        TitleRun expected;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"combo", -50, "5G", 0, {QStringLiteral(" -50*5G"), Colour::excellentTeal, {}}},
             {"dot", -50, "5G", 0, {QStringLiteral("●"), Colour::excellentTeal, {}}},
             {"combo", -50, "wlan", 0, {QStringLiteral(" -50*--"), Colour::excellentTeal, {}}},
             {"combo", -70, "5G", 1, {QStringLiteral(" -70*5G"), Colour::black, yellow}},
             {"combo", -70, "5G", 2, {QStringLiteral(" -70*5G"), yellow, {}}},
             {"combo", -99, "5G", 2, {QStringLiteral(" -- "), red, {}}},
             {"combo", std::nullopt, "5G", 0, {QStringLiteral(" -- "), Colour::systemGrey, {}}}}) {
        SCOPED_TRACE(row.expected.text.toStdString());
        settings.writeString(SettingsKey::iconStyle, QString::fromUtf8(row.iconStyle));
        router.rows.clear();
        if (row.rssi)
            setRow(laptopMAC, *row.rssi, QString::fromUtf8(row.band));
        monitor->target(TargetSlot::a).reset();
        poll();
        for (int step = 0; step < row.flashSteps; ++step)
            targetA().flashStep();
        EXPECT_EQ(shownRuns(), QList<TitleRun>{row.expected});
    }
}

TEST_F(WiFiMonitorTest, TwoTargetsShareTheTitleSplitTheFloatingWindowAndSayItInWords) {
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -80);
    poll();
    targetB().flashStep();

    EXPECT_EQ(shownRuns(), (QList<TitleRun>{run(QStringLiteral(" -50*5G"), Colour::excellentTeal),
                                            run(QStringLiteral("|"), Colour::secondaryLabel),
                                            run(QStringLiteral(" -80*5G"), Colour::black, red)}));
    EXPECT_EQ(statusItem.last().toolTip, QStringLiteral("A · MacBook · Excellent · -50 dBm · 5 GHz\n"
                                                        "B · EOS R5 · Critical · -80 dBm · 5 GHz"));
    EXPECT_EQ(floating.colorA(), Colour::excellentTeal);
    EXPECT_EQ(floating.colorB(), red);
    EXPECT_EQ(floating.labelA(), QStringLiteral("A"));
    EXPECT_EQ(floating.labelB(), QStringLiteral("B"));
    EXPECT_TRUE(menu.sections.twoTargets);
    targetB().flashStep();
    EXPECT_EQ(floating.colorB(), Colour::black);
}

// --- Router health ---

TEST_F(WiFiMonitorTest, ProbeAnswerArrivingAfterASwitchToP2PDeclaresNothing) {
    followTargets(laptopMAC);
    setRow(laptopMAC, -50);
    poll();
    probe(false);
    router.holdProbes = true;
    monitor->healthTick();
    setMode("wifi");
    poll();
    setMode("router");
    for (auto& answer : router.pendingProbes)
        answer(false);
    QCoreApplication::sendPostedEvents();

    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_TRUE(logged(VtCode::nodeUnreachable).isEmpty());
}

TEST_F(WiFiMonitorTest, TwoFailedProbesInARowDeclareTheRouterUnreachableOnceUntilOneSucceeds) {
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -70);
    setRow(cameraMAC, -50);
    poll();
    observed(NotificationName::routerBecameUnreachable);
    observed(NotificationName::routerRecovered);
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
    EXPECT_EQ(sessionLog.entries().last().message, QStringLiteral("Router unreachable"));
    EXPECT_TRUE(menu.routerUnreachable);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), SignalState::critical);
    EXPECT_TRUE(menu.alertItems[TargetSlot::a].alerting);
    EXPECT_EQ(targetA().flashInterval(), 250ms);
    EXPECT_EQ(statusItem.last().toolTip,
              QStringLiteral("A · MacBook · Router unreachable\nB · EOS R5 · Router unreachable"));
    // The reading means nothing now: both halves flash red, and the panel stays
    // split from one poll to the next.
    targetA().flashStep();
    EXPECT_EQ(shownRuns().first(), run(QStringLiteral(" -- "), Colour::black, red));
    const qsizetype fetches = router.fetchedMACs.size();
    poll();
    EXPECT_EQ(router.fetchedMACs.size(), fetches);
    EXPECT_EQ(floating.colorA(), red);
    EXPECT_EQ(floating.colorB(), red);

    // Recovery starts over: the next answers drive title, menu and flash.
    probe(true);
    EXPECT_FALSE(monitor->routerIsDown());
    EXPECT_EQ(observed(NotificationName::routerRecovered), 1);
    EXPECT_EQ(router.sessionResets, 1);
    EXPECT_EQ(logged(VtCode::nodeRecovered).size(), 1);
    EXPECT_EQ(sessionLog.entries().last().message, QStringLiteral("Router reachable again"));
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), std::nullopt);
    poll();
    EXPECT_FALSE(menu.routerUnreachable);
    EXPECT_EQ(targetA().flashInterval(), 1000ms);
    EXPECT_EQ(monitor->alertManager().state(TargetSlot::a), SignalState::marginal);
    EXPECT_EQ(shownRuns().last(), run(QStringLiteral(" -50*5G"), Colour::excellentTeal));
}

// --- Router answers ---

TEST_F(WiFiMonitorTest, ASlotWaitingForItsRowGetsNoSecondRequestUntilItsDeadline) {
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -50);
    setRow(cameraMAC, -50);
    poll();
    router.holdFetches = true;
    poll();
    poll();
    EXPECT_EQ(router.fetchedMACs.size(), 4);

    // A router that does not answer in ten seconds leaves the target offline,
    // not on its last reading; the late answer changes nothing.
    monitor->fetchTimedOut(TargetSlot::a);
    EXPECT_EQ(targetA().currentState(), SignalState::offline);
    EXPECT_EQ(targetA().deviceName(), QStringLiteral("MacBook"));
    router.pendingFetches.front().completion(router.row(laptopMAC));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(targetA().currentState(), SignalState::offline);
    poll();
    EXPECT_EQ(router.fetchedMACs.size(), 5);
}

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

TEST_F(WiFiMonitorTest, ARouterNoLongerAmongTheGatewaysIsDisconnectedAndReplacedByTheFirstOnWiFi) {
    const GatewayOption oldRouter{QStringLiteral("192.168.8.1"), QStringLiteral("GL.iNet")};
    const GatewayOption wired{QStringLiteral("10.0.0.1"), QStringLiteral("eth0")};
    const GatewayOption wifi{QStringLiteral("10.0.1.1"), QStringLiteral("wlan0")};
    observed(NotificationName::veltranoDisconnect);
    int disconnects = 0;
    for (const auto& [gateways, disconnect, routerIPAfter] :
         {std::tuple{QList{wired, oldRouter}, false, "192.168.8.1"},
          std::tuple{QList{wired}, true, "192.168.8.1"}, std::tuple{QList{wired, wifi}, true, "10.0.1.1"}}) {
        followTargets(laptopMAC);
        router.gateways = gateways;
        router.wifiGateways = {wifi.ip};
        monitor->networkWatcher().checkNetworkChange();
        disconnects += disconnect ? 1 : 0;
        EXPECT_EQ(settings.readBool(SettingsKey::routerConnected), !disconnect);
        EXPECT_EQ(router.disconnects, disconnects);
        EXPECT_EQ(observed(NotificationName::veltranoDisconnect), disconnects);
        EXPECT_EQ(settings.readString(SettingsKey::routerIP), QString::fromLatin1(routerIPAfter));
    }
    // A camera network used only for its own addresses is no default route, but
    // the computer is still on it.
    followTargets(laptopMAC);
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    router.localSubnets = {QStringLiteral("192.168.8.")};
    monitor->networkWatcher().checkNetworkChange();
    EXPECT_TRUE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), QStringLiteral("192.168.8.1"));
}

// --- Alert controls ---

TEST_F(WiFiMonitorTest, AlertItemsShowTheSnoozeEndAndAMissingSoundOutput) {
    settings.writeBool(SettingsKey::audioEnabled, true);
    followTargets(laptopMAC, cameraMAC);
    setRow(laptopMAC, -80);
    setRow(cameraMAC, -80);
    poll();
    monitor->snoozeAll(5);
    poll();
    EXPECT_EQ(monitor->alertManager().playingState(), std::nullopt);
    EXPECT_EQ(menu.alertItems[TargetSlot::b].snoozedUntil, clock.now().addSecs(5 * 60));

    clock.advance(5 * 60 * 1000);
    soundPlayer.output.reset();
    poll();
    EXPECT_EQ(monitor->alertManager().playingState(), SignalState::critical);
    EXPECT_EQ(menu.alertItems[TargetSlot::b].snoozedUntil, std::nullopt);
    EXPECT_TRUE(menu.soundNotice);

    monitor->alertManager().disable(TargetSlot::b);
    monitor->updateAlertMenuItems();
    EXPECT_EQ(menu.alertItems[TargetSlot::b], (AlertControls{false, true, {}, true}));
    monitor->reEnableAlerts(TargetSlot::b);
    EXPECT_EQ(logged(VtCode::alertReEnabled), QStringList{QString()});
    EXPECT_EQ(menu.alertItems[TargetSlot::b], (AlertControls{true, false, {}, true}));
}

} // namespace
