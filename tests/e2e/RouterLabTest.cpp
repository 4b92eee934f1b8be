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

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QString cameraA = QStringLiteral("78:F5:05:4A:10:01"); // 5 GHz, Wi-Fi 6
const QString cameraB = QStringLiteral("3C:BE:E1:22:33:44"); // 2.4 GHz

QJsonObject command(const QString& name, const QJsonObject& extra = {}) {
    QJsonObject object = extra;
    object.insert(QStringLiteral("command"), name);
    return object;
}

class RouterLabTest : public testing::Test {
protected:
    void SetUp() override {
        if (!RouterLab::isHere())
            GTEST_SKIP() << "runs only inside the router lab (run-in-router-lab.sh)";
        lab.resetAll();
    }

    // Detect, connect, then follow camera A until its pinned signal comes back by
    // the family's own path (`viaItsPath` tells that path's answer).
    void provesFamily(const QString& address, const QString& family,
                      const std::function<bool(const RouterClient&)>& viaItsPath) {
        EXPECT_EQ(rig.detect(address), family);
        rig.useRouter(address, family, lab);
        ASSERT_TRUE(rig.connectRouter());
        lab.control(address, command(QStringLiteral("set"),
                                     {{QStringLiteral("mac"), cameraA}, {QStringLiteral("rssi"), -57}}));
        std::optional<RouterClient> row;
        EXPECT_TRUE(waitUntil(
            [&] {
                row = rig.client(cameraA.toLower());
                return row && row->rssi == -57 && viaItsPath(*row);
            },
            20'000))
            << family.toStdString();
    }

    RouterLab lab;
    RouterRig rig;
};

// Anything else is the adapters' business, proved on recorded answers in
// tests/router. UniFi's first polls answer from the controller while the access
// point is looked up; then the access point's hostapd answers over SSH.
TEST_F(RouterLabTest, EachFamilyIsDetectedConnectedAndFollowed) {
    const auto anyPath = [](const RouterClient&) { return true; };
    provesFamily(lab.glinet, RouterFamily::glinet, anyPath);
    provesFamily(lab.uniFi, RouterFamily::unifi, [this](const RouterClient&) {
        return std::any_of(rig.systemLog.lines.cbegin(), rig.systemLog.lines.cend(),
                           [](const SystemLogLine& line) {
                               return line.message.contains(QStringLiteral("UniFi hostapd_cli sta output"));
                           });
    });
    provesFamily(lab.peplink, RouterFamily::peplink, anyPath);
    // Firmware 8's API: the admin's session cookie, and signal only in the full output.
    lab.control(lab.peplink, command(QStringLiteral("peplinkFirmware8")));
    provesFamily(lab.peplink, RouterFamily::peplink, anyPath);
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
