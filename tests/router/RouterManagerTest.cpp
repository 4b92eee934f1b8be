#include "router/RouterManager.h"

#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/RecordingSystemLog.h"

#include <gtest/gtest.h>

namespace {

class FakeGatewaySource : public GatewaySource {
public:
    QList<GatewayLine> gatewayLines() const override { return lines; }
    QList<WiFiInterface> wifiInterfaces() const override { return wifi; }
    std::optional<std::uint64_t> linkSpeed(const QString& name) const override {
        return speeds.contains(name) ? std::optional(speeds.value(name)) : std::nullopt;
    }
    QList<InterfaceAddress> interfaceAddresses() const override { return addresses; }

    QList<GatewayLine> lines;
    QList<WiFiInterface> wifi;
    QMap<QString, std::uint64_t> speeds;
    QList<InterfaceAddress> addresses;
};

class RouterManagerTest : public testing::Test {
protected:
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore credentials;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    FakeGatewaySource gateways;
    RouterManager router{settings, credentials, logger, gateways, environment.path(QStringLiteral("run"))};
};

TEST_F(RouterManagerTest, RouterAddressPrefersTheSettingThenTheFirstGatewayThenTheFallBack) {
    EXPECT_EQ(router.routerAddress(), QStringLiteral("192.168.8.1"));

    gateways.lines = {{QStringLiteral("10.0.0.1"), QStringLiteral("eth0")},
                      {QStringLiteral("10.0.1.1"), QStringLiteral("wlan0")}};
    EXPECT_EQ(router.routerAddress(), QStringLiteral("10.0.0.1"));

    settings.writeString(SettingsKey::routerIP, QStringLiteral("  192.168.1.1 \n"));
    EXPECT_EQ(router.routerAddress(), QStringLiteral("192.168.1.1"));

    // A blank setting is no setting.
    settings.writeString(SettingsKey::routerIP, QStringLiteral("   "));
    EXPECT_EQ(router.routerAddress(), QStringLiteral("10.0.0.1"));

    // The password belongs to the address in use, whichever way it was found.
    credentials.savePassword(QStringLiteral("gateway's"), QStringLiteral("routerPassword_10.0.0.1"));
    EXPECT_EQ(router.routerPassword(), QStringLiteral("gateway's"));
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.1.1"));
    EXPECT_EQ(router.routerPassword(), QString());
}

// The labels and rules themselves have their own tests; these check what the
// manager hands them.
TEST_F(RouterManagerTest, GatewayAndSubnetQuestionsUseTheSystemsLinks) {
    gateways.lines = {{QStringLiteral("10.0.0.1"), QStringLiteral("eth0")},
                      {QStringLiteral("10.0.1.1"), QStringLiteral("wlan0")}};
    gateways.wifi = {{QStringLiteral("wlan0"), 6}};
    gateways.speeds = {{QStringLiteral("eth0"), 2'500'000'000}};
    gateways.addresses = {{QStringLiteral("192.168.8.23"), QStringLiteral("255.255.255.0")}};
    EXPECT_EQ(router.gatewayOptions(),
              (QList<GatewayOption>{
                  {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 \u2014 2.5GbE (eth0)")},
                  {QStringLiteral("10.0.1.1"), QStringLiteral("10.0.1.1 \u2014 WiFi-AX (wlan0)")}}));
    EXPECT_TRUE(router.isGatewayOnWiFi(QStringLiteral("10.0.1.1")));
    EXPECT_FALSE(router.isGatewayOnWiFi(QStringLiteral("10.0.0.1")));
    EXPECT_TRUE(router.isOnLocalSubnet(QStringLiteral("192.168.8.1")));
    EXPECT_FALSE(router.isOnLocalSubnet(QStringLiteral("192.168.9.1")));
}

TEST_F(RouterManagerTest, DisconnectLogsTheClosedTransportOnce) {
    router.disconnect();
    EXPECT_EQ(systemLog.lines.size(), 1);
    EXPECT_EQ(systemLog.lines.value(0).code, VtCode::transportClosed);
}

// Nothing is sent in this test: without a user name the Peplink adapter gives
// up before any request.
TEST_F(RouterManagerTest, ANewRouterAddressClosesTheOldConnectionFirst) {
    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("peplink"));
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.0.2.1"));
    const auto poll = [this] {
        bool answered = false;
        router.fetchClient(QStringLiteral("CA:00:00:00:00:01"),
                           [&](std::optional<RouterClient>) { answered = true; });
        return waitUntil([&] { return answered; });
    };
    ASSERT_TRUE(poll());
    ASSERT_TRUE(poll());
    EXPECT_TRUE(systemLog.lines.isEmpty());

    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.0.2.2"));
    ASSERT_TRUE(poll());
    ASSERT_EQ(systemLog.lines.size(), 1);
    EXPECT_EQ(systemLog.lines.value(0).code, VtCode::transportClosed);
}

} // namespace
