#include "router/RouterManager.h"

#include "MemoryCredentialStore.h"
#include "SshTestSupport.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/RecordingSystemLog.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
    SettingsStore settings{environment.path(u"settings.json"_s)};
    MemoryCredentialStore credentials;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    FakeGatewaySource gateways;
    RouterManager router{settings, credentials, logger, gateways, environment.path(u"run"_s)};
};

TEST_F(RouterManagerTest, RouterAddressPrefersTheSettingThenTheFirstGatewayThenTheFallBack) {
    EXPECT_EQ(router.routerAddress(), u"192.168.8.1"_s);

    gateways.lines = {{u"10.0.0.1"_s, u"eth0"_s}, {u"10.0.1.1"_s, u"wlan0"_s}};
    EXPECT_EQ(router.routerAddress(), u"10.0.0.1"_s);

    settings.writeString(SettingsKey::routerIP, u"  192.168.1.1 \n"_s);
    EXPECT_EQ(router.routerAddress(), u"192.168.1.1"_s);

    // A blank setting is no setting.
    settings.writeString(SettingsKey::routerIP, u"   "_s);
    EXPECT_EQ(router.routerAddress(), u"10.0.0.1"_s);

    // The password belongs to the address in use, whichever way it was found.
    credentials.savePassword(u"gateway's"_s, u"routerPassword_10.0.0.1"_s);
    EXPECT_EQ(router.routerPassword(), u"gateway's"_s);
    settings.writeString(SettingsKey::routerIP, u"192.168.1.1"_s);
    EXPECT_EQ(router.routerPassword(), QString());
}

// Nothing is sent in this test: without a user name the Peplink adapter gives
// up before any request.
TEST_F(RouterManagerTest, ANewRouterAddressClosesTheOldConnectionFirst) {
    settings.writeString(SettingsKey::detectedRouterType, u"peplink"_s);
    settings.writeString(SettingsKey::routerIP, u"192.0.2.1"_s);
    const auto poll = [this] {
        bool answered = false;
        router.fetchClient(u"CA:00:00:00:00:01"_s, [&](std::optional<RouterClient>) { answered = true; });
        return waitUntil([&] { return answered; });
    };
    ASSERT_TRUE(poll() && poll());
    EXPECT_TRUE(systemLog.lines.isEmpty());

    settings.writeString(SettingsKey::routerIP, u"192.0.2.2"_s);
    ASSERT_TRUE(poll());
    ASSERT_EQ(systemLog.lines.size(), 1);
    EXPECT_EQ(systemLog.lines.value(0).code, VtCode::transportClosed);
    router.disconnect();
    EXPECT_EQ(systemLog.lines.size(), 2);
}

// Quitting: a wedged ssh is ended, and no other starts, so its work returns; a
// keyring that never answers is waited for only until the deadline.
TEST_F(RouterManagerTest, EndingTheBackgroundWorkOutrunsAWedgedSshAndAKeyringThatNeverAnswers) {
    FakeSshScript ssh(environment.path(u"bin"_s));
    ssh.wedge();
    settings.writeString(SettingsKey::routerIP, u"127.0.0.1"_s);
    credentials.gate.lock();
    router.connect([](bool, std::optional<QString>) {});
    router.fetchModelName([](std::optional<QString>) {});
    ASSERT_TRUE(waitUntil([&] { return ssh.wedgedRuns().size() == 1; }));
    EXPECT_FALSE(router.endBackgroundWork(std::chrono::milliseconds(300)));
    credentials.gate.unlock();
    EXPECT_TRUE(router.endBackgroundWork(std::chrono::seconds(1)));
}

} // namespace
