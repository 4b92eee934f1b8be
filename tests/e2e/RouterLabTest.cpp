#include "RouterLab.h"

#include "FakeMenuPresenter.h"
#include "FakeSoundPlayer.h"
#include "FakeStatusItem.h"
#include "FakeWirelessLink.h"
#include "display/FloatingSignalState.h"
#include "logs/SessionLog.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "router/RouterFamily.h"

#include <gtest/gtest.h>

namespace {

const QString cameraA = QStringLiteral("78:F5:05:4A:10:01"); // 5 GHz, Wi-Fi 6
const QString cameraB = QStringLiteral("3C:BE:E1:22:33:44"); // 2.4 GHz
const QString laptop = QStringLiteral("F0:18:98:AA:BB:CC");  // Wi-Fi 7
const QString desktop = QStringLiteral("18:C0:4D:DC:4F:CC"); // wired

QJsonObject command(const QString& name, const QJsonObject& extra = {}) {
    QJsonObject object = extra;
    object.insert(QStringLiteral("command"), name);
    return object;
}

QStringList macsOf(const QList<RouterClient>& rows) {
    QStringList macs;
    for (const RouterClient& row : rows)
        macs.append(row.mac.toUpper());
    return macs;
}

class RouterLabTest : public testing::Test {
protected:
    void SetUp() override {
        const std::optional<RouterLab> found = RouterLab::fromEnvironment();
        if (!found)
            GTEST_SKIP() << "runs only inside the router lab (run-in-router-lab.sh)";
        lab = *found;
        lab.resetAll();
    }
    void TearDown() override {
        if (RouterLab::fromEnvironment())
            lab.resetAll();
    }

    RouterLab lab;
    RouterRig rig;
};

TEST_F(RouterLabTest, TheStudioGatewayIsFoundAndLabelledFromTheKernelTables) {
    EXPECT_EQ(rig.router.routerAddress(), lab.glinet);
    const QList<GatewayOption> options = rig.router.gatewayOptions();
    ASSERT_EQ(options.size(), 1);
    EXPECT_EQ(options.first().ip, lab.glinet);
    // The veth link has a speed (10 Gbit/s) but no radio.
    EXPECT_EQ(options.first().label, lab.glinet + QStringLiteral(" \u2014 10GbE (veth-studio)"));
    EXPECT_FALSE(rig.router.isGatewayOnWiFi(lab.glinet));
    EXPECT_TRUE(rig.router.isOnLocalSubnet(lab.peplink));
    EXPECT_FALSE(rig.router.isOnLocalSubnet(QStringLiteral("10.78.0.1")));
}

TEST_F(RouterLabTest, EachFamilyIsDetectedAtItsAddressAndNothingElseIs) {
    EXPECT_EQ(rig.detect(lab.glinet), RouterFamily::glinet);
    EXPECT_EQ(rig.detect(lab.uniFi), RouterFamily::unifi);
    EXPECT_EQ(rig.detect(lab.peplink), RouterFamily::peplink);
    // The studio computer itself serves nothing.
    EXPECT_EQ(rig.detect(QStringLiteral("10.77.0.2")), RouterFamily::unknown);
}

TEST_F(RouterLabTest, GlinetConnectsListsFollowsATargetAndLogsInAgainOnceAfterExpiry) {
    rig.useRouter(lab.glinet, RouterFamily::glinet, lab);
    ASSERT_EQ(rig.connectRouter(), std::make_pair(true, std::optional<QString>()));
    EXPECT_EQ(rig.model(), QStringLiteral("Flint 2 (GL-MT6000)"));
    EXPECT_TRUE(rig.healthy());

    const QStringList macs = macsOf(rig.clients());
    EXPECT_TRUE(macs.contains(cameraA) && macs.contains(cameraB) && macs.contains(laptop))
        << macs.join(QLatin1Char(' ')).toStdString();

    lab.control(lab.glinet, command(QStringLiteral("set"), {{QStringLiteral("mac"), cameraA},
                                                            {QStringLiteral("rssi"), -57},
                                                            {QStringLiteral("txRate"), 1201.0}}));
    const std::optional<RouterClient> row = rig.client(cameraA.toLower());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->rssi, -57);
    EXPECT_DOUBLE_EQ(row->txRate, 1201.0);
    ASSERT_TRUE(row->linkDetail);
    EXPECT_EQ(row->linkDetail->phyMode, QStringLiteral("ax"));
    EXPECT_EQ(row->iface, QStringLiteral("5G"));
}

TEST_F(RouterLabTest, UniFiReadsTheTargetFromItsAccessPointAndSkipsWiredClients) {
    rig.useRouter(lab.uniFi, RouterFamily::unifi, lab);
    // No explicit read of the device login: the look-up fetches it itself, as
    // it must after every session reset.
    ASSERT_TRUE(rig.connectRouter().first);
    EXPECT_EQ(rig.model(), QStringLiteral("UCG Ultra"));
    EXPECT_TRUE(rig.healthy());

    const QList<RouterClient> rows = rig.clients();
    EXPECT_TRUE(macsOf(rows).contains(cameraB));
    EXPECT_FALSE(macsOf(rows).contains(desktop));

    lab.control(lab.uniFi, command(QStringLiteral("set"),
                                   {{QStringLiteral("mac"), cameraA}, {QStringLiteral("rssi"), -58}}));
    // The first polls answer from the station list while the access point is
    // looked up; then the access point's hostapd answers, which carries no rate.
    std::optional<RouterClient> row;
    ASSERT_TRUE(waitUntil(
        [&] {
            row = rig.client(cameraA);
            return row && row->txRate == 0.0;
        },
        20'000));
    EXPECT_EQ(row->rssi, -58);
    EXPECT_EQ(row->iface, QStringLiteral("5G"));
    EXPECT_EQ(row->ip, QStringLiteral("10.77.0.51"));
    ASSERT_TRUE(row->linkDetail);
    EXPECT_EQ(row->linkDetail->nss, 2);
}

TEST_F(RouterLabTest, UniFiFallsBackToTheClassicController) {
    rig.useRouter(lab.uniFiClassic, RouterFamily::unifi, lab);
    EXPECT_TRUE(rig.connectRouter().first);
    EXPECT_TRUE(macsOf(rig.clients()).contains(cameraA));
    // It has no console page on 443; its own liveness page says it is up.
    EXPECT_TRUE(rig.healthy());
}

TEST_F(RouterLabTest, PeplinkListsOnlyWirelessClientsWithAFreshToken) {
    rig.useRouter(lab.peplink, RouterFamily::peplink, lab);
    ASSERT_TRUE(rig.connectRouter().first);
    EXPECT_TRUE(rig.healthy());
    const QStringList macs = macsOf(rig.clients());
    EXPECT_TRUE(macs.contains(cameraA) && macs.contains(cameraB));
    EXPECT_FALSE(macs.contains(desktop));
    const std::optional<RouterClient> row = rig.client(cameraB.toLower());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->iface, QStringLiteral("2.4G"));
}

// The whole monitor, as the program builds it, following two cameras through
// the real GL.iNet adapter on its one-second poll.
TEST_F(RouterLabTest, TheMonitorFollowsTwoCamerasAndTheRoutersHealth) {
    rig.useRouter(lab.glinet, RouterFamily::glinet, lab);
    rig.settings.writeBool(SettingsKey::routerConnected, true);
    rig.settings.writeString(SettingsKey::targetMAC, cameraA);
    rig.settings.writeString(SettingsKey::targetMAC2, cameraB);
    lab.control(lab.glinet, command(QStringLiteral("set"), {{QStringLiteral("mac"), cameraA},
                                                            {QStringLiteral("rssi"), -50},
                                                            {QStringLiteral("txRate"), 1201.0}}));

    FakeWirelessLink link;
    NetworkEventSource networkEvents;
    FakeStatusItem statusItem;
    FakeMenuPresenter menu;
    FakeSoundPlayer soundPlayer;
    SystemClock clock;
    SessionLog sessionLog{std::nullopt, [&] { return clock.now(); }};
    FloatingSignalState floating;
    WiFiMonitor monitor(MonitorContext{rig.settings, rig.router, link, networkEvents, statusItem, menu,
                                       soundPlayer, clock, sessionLog, floating, rig.logger});
    monitor.start();

    const auto stateOf = [&](TargetSlot slot) { return monitor.target(slot).currentState(); };
    EXPECT_TRUE(waitUntil([&] { return stateOf(TargetSlot::a) == SignalState::excellent; }, 15'000));
    // A camera on 2.4 GHz cannot carry images fast enough, whatever its signal.
    EXPECT_TRUE(waitUntil([&] { return stateOf(TargetSlot::b) == SignalState::critical; }, 15'000));

    lab.control(lab.glinet, command(QStringLiteral("set"), {{QStringLiteral("mac"), cameraA},
                                                            {QStringLiteral("rssi"), -84},
                                                            {QStringLiteral("txRate"), 6.5}}));
    EXPECT_TRUE(waitUntil([&] { return stateOf(TargetSlot::a) == SignalState::critical; }, 15'000));

    // Two failed health probes mark the router unreachable; one answer clears it.
    lab.control(lab.glinet, command(QStringLiteral("silent"), {{QStringLiteral("on"), true}}));
    EXPECT_TRUE(waitUntil([&] { return monitor.routerIsDown(); }, 45'000));
    lab.control(lab.glinet, command(QStringLiteral("silent"), {{QStringLiteral("on"), false}}));
    EXPECT_TRUE(waitUntil([&] { return !monitor.routerIsDown(); }, 30'000));
    monitor.stop();
}

} // namespace
