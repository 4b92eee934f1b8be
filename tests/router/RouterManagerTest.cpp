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

// The gateway questions are the discovery functions' own; the manager only
// takes the first gateway as its address.
class FakeGatewaySource : public GatewaySource {
public:
    QList<GatewayLine> gatewayLines() const override { return lines; }
    QList<WiFiInterface> wifiInterfaces() const override { return {}; }
    std::optional<std::uint64_t> linkSpeed(const QString&) const override { return std::nullopt; }
    QList<InterfaceAddress> interfaceAddresses() const override { return {}; }

    QList<GatewayLine> lines;
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
    router.disconnect();
    EXPECT_EQ(systemLog.lines.size(), 2);
}

} // namespace
