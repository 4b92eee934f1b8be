#include "app/RouterConnectionFlow.h"

#include "FakeRouterConnector.h"
#include "TestEnvironment.h"
#include "logs/SessionLog.h"
#include "monitor/FakeRouterService.h"
#include "router/MemoryCredentialStore.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterIdentityStore.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

const QString studioRouter = QStringLiteral("192.168.1.1");

class RouterConnectionFlowTest : public ::testing::Test {
protected:
    RouterConnectionFlowTest() {
        router.gateways = {{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 \u2014 eth0")},
                           {studioRouter, QStringLiteral("192.168.1.1 \u2014 Studio")}};
        NotificationCenter::shared().observe(NotificationName::veltranoDisconnect, &observer,
                                             [this](std::optional<bool>) { ++disconnectNotices; });
    }

    // Answers the one detection the flow has asked for.
    void answerDetection(const QString& key, std::optional<QString> refusal = std::nullopt) {
        ASSERT_EQ(detections.size(), 1u);
        auto [address, answer] = std::move(detections.front());
        detections.clear();
        answer({key, std::move(refusal)});
    }

    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    SessionLog log{env.dataHome() + QStringLiteral("/Veltrano/session_log.json")};
    MemoryCredentialStore credentials;
    FakeRouterConnector connector;
    FakeRouterService router;
    std::vector<std::pair<QString, DetectionCompletion>> detections;
    RouterConnectionFlow flow{settings,
                              credentials,
                              connector,
                              router,
                              log,
                              [this](const QString& address, DetectionCompletion answer) {
                                  detections.emplace_back(address, std::move(answer));
                              }};
    QObject observer;
    int disconnectNotices = 0;
};

// One press detects, saves, reads back and logs in; Disconnect undoes the
// connection and the next launch's reconnection; a keyring that refuses the
// save of a newly typed password ends the next press before any login.
TEST_F(RouterConnectionFlowTest, ConnectDetectsFirstAndDisconnectClearsReconnection) {
    settings.writeString(SettingsKey::routerIP, studioRouter);
    flow.appear();
    ASSERT_EQ(detections.size(), 1u);
    flow.setLocalPassword(QStringLiteral("secret"));
    flow.press();
    flow.press();
    EXPECT_EQ(detections.size(), 1u) << "the window's detection answers the press";
    answerDetection(QStringLiteral("glinet"));
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    EXPECT_EQ(flow.connectionState(), ConnectionState::connecting);
    EXPECT_EQ(credentials.items.value(QStringLiteral("routerPassword_192.168.1.1")),
              QStringLiteral("secret"));
    EXPECT_EQ(router.sessionResets, 1);
    connector.login(true, std::nullopt);
    EXPECT_EQ(flow.connectionState(), ConnectionState::connected);
    EXPECT_TRUE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_TRUE(settings.readBool(SettingsKey::routerAutoReconnect));
    ASSERT_TRUE(connector.model);
    connector.model(QStringLiteral("GL-MT6000"));
    EXPECT_EQ(settings.readString(SettingsKey::detectedModelName), QStringLiteral("GL-MT6000"));

    flow.press();
    EXPECT_EQ(flow.connectionState(), ConnectionState::disconnected);
    EXPECT_EQ(router.disconnects, 1);
    EXPECT_EQ(disconnectNotices, 1);
    EXPECT_FALSE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_FALSE(settings.readBool(SettingsKey::routerAutoReconnect));
    ASSERT_EQ(log.entries().size(), 2);
    answerDetection(QStringLiteral("glinet"));

    connector.login = nullptr;
    credentials.failure = CredentialStatus::collectionLocked;
    flow.setLocalPassword(QStringLiteral("changed"));
    flow.press();
    ASSERT_TRUE(waitUntil([&] { return flow.connectionState() == ConnectionState::failed; }));
    EXPECT_EQ(flow.connectionError(), QStringLiteral("Keychain save failed (-25308)"));
    EXPECT_FALSE(connector.login);
}

// Opening the window moves `routerIP` onto a detected gateway (or empties it)
// and loads that address's password unless the user types first; a family
// nobody recognises fails the press.
TEST_F(RouterConnectionFlowTest, OpeningReplacesAnAddressThatIsNoGateway) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("172.16.0.1"));
    credentials.items.insert(QStringLiteral("routerPassword_10.0.0.1"), QStringLiteral("kept"));
    flow.appear();
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), QStringLiteral("10.0.0.1"));
    ASSERT_TRUE(waitUntil([&] { return flow.localPassword() == QStringLiteral("kept"); }));
    ASSERT_EQ(detections.size(), 1u);
    EXPECT_EQ(detections.front().first, QStringLiteral("10.0.0.1"));
    flow.press();
    answerDetection(QStringLiteral("unknown"));
    EXPECT_EQ(flow.connectionState(), ConnectionState::failed);
    EXPECT_EQ(flow.connectionError(),
              QStringLiteral("Router type not recognized \u2014 check IP and try again"));

    credentials.gate.lock();
    flow.setRouterIP(QStringLiteral("10.0.0.1"));
    flow.setLocalPassword(QStringLiteral("typed"));
    credentials.gate.unlock();
    ASSERT_TRUE(flow.endBackgroundWork(std::chrono::seconds(5)));
    QCoreApplication::processEvents();
    EXPECT_EQ(flow.localPassword(), QStringLiteral("typed")) << "typing wins over a late stored password";

    router.gateways.clear();
    flow.appear();
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), QString());
}

// The monitor's verdicts move a connection to lost and back; a login refused
// because the router's identity changed offers forgetting it.
TEST_F(RouterConnectionFlowTest, UnreachableRecoveredAndChangedIdentity) {
    settings.writeString(SettingsKey::routerIP, studioRouter);
    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("unifi"));
    settings.writeBool(SettingsKey::routerConnected, true);
    flow.appear();
    EXPECT_TRUE(detections.empty());
    NotificationCenter::shared().post(NotificationName::routerBecameUnreachable);
    EXPECT_EQ(flow.connectionState(), ConnectionState::lost);
    NotificationCenter::shared().post(NotificationName::routerRecovered);
    EXPECT_EQ(flow.connectionState(), ConnectionState::connected);

    NotificationCenter::shared().post(NotificationName::routerBecameUnreachable);
    flow.press();
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    EXPECT_EQ(router.disconnects, 1);
    connector.login(false, certificateChangedMessage(studioRouter));
    EXPECT_EQ(flow.connectionError(), certificateChangedMessage(studioRouter));
    EXPECT_TRUE(flow.identityChanged());
    flow.forgetRouterIdentity();
    EXPECT_FALSE(flow.identityChanged());
}

// A detection that finds another family than the first login did stores
// nothing and offers forgetting; after that the next press detects afresh. A
// detection beside a live session leaves its family alone, and a router that
// had no HTTPS at its first login is shown connected in clear text.
TEST_F(RouterConnectionFlowTest, DetectionFollowsTheRoutersIdentity) {
    settings.writeString(SettingsKey::routerIP, studioRouter);
    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("unifi"));
    flow.appear();
    answerDetection(QStringLiteral("glinet"), familyChangedMessage(studioRouter));
    EXPECT_EQ(flow.connectionState(), ConnectionState::failed);
    EXPECT_EQ(flow.connectionError(), familyChangedMessage(studioRouter));
    EXPECT_TRUE(flow.identityChanged());
    EXPECT_EQ(settings.readString(SettingsKey::detectedRouterType), QStringLiteral("unifi"));

    flow.forgetRouterIdentity();
    EXPECT_EQ(settings.readString(SettingsKey::detectedRouterType), std::nullopt);
    flow.setLocalPassword(QStringLiteral("secret"));
    flow.press();
    answerDetection(QStringLiteral("glinet"));
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    RouterIdentityStore::beside(settings).keepLogin(
        studioRouter, {.family = QStringLiteral("glinet"), .scheme = QStringLiteral("http")}, std::nullopt);
    connector.login(true, std::nullopt);
    EXPECT_TRUE(flow.isUnencrypted());

    // Disconnecting detects again; the launch's reconnection is quicker.
    flow.press();
    settings.writeBool(SettingsKey::routerConnected, true);
    answerDetection(QStringLiteral("peplink"));
    EXPECT_EQ(settings.readString(SettingsKey::detectedRouterType), QStringLiteral("glinet"));
}

// A router off the default route (a controller beside the gateway, a camera
// network used only for its own addresses) stays the router when the window
// opens, connected or not; what others write while it is shown is followed
// without disconnecting anyone.
TEST_F(RouterConnectionFlowTest, KeepsARouterOffTheDefaultRouteAndFollowsOthersWrites) {
    const QString controller = QStringLiteral("172.20.0.5");
    router.localSubnets = {QStringLiteral("172.20.0.")};
    settings.writeString(SettingsKey::routerIP, controller);
    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("unifi"));
    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeBool(SettingsKey::routerAutoReconnect, true);
    flow.appear();
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), controller);
    EXPECT_EQ(flow.connectionState(), ConnectionState::connected);
    EXPECT_TRUE(settings.readBool(SettingsKey::routerAutoReconnect));
    EXPECT_EQ(router.disconnects, 0);

    // The network-change check dropped the connection and the command line moved the address.
    credentials.items.insert(QStringLiteral("routerPassword_10.0.0.1"), QStringLiteral("wired"));
    settings.writeBool(SettingsKey::routerConnected, false);
    settings.writeString(SettingsKey::routerIP, QStringLiteral("10.0.0.1"));
    flow.follow();
    EXPECT_EQ(flow.connectionState(), ConnectionState::disconnected);
    ASSERT_TRUE(waitUntil([&] { return flow.localPassword() == QStringLiteral("wired"); }));
    ASSERT_EQ(detections.size(), 1u);
    EXPECT_EQ(detections.front().first, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(router.disconnects, 0);
    EXPECT_EQ(disconnectNotices, 0);

    // Auto-connect came through.
    settings.writeBool(SettingsKey::routerConnected, true);
    flow.follow();
    EXPECT_EQ(flow.connectionState(), ConnectionState::connected);

    settings.writeBool(SettingsKey::routerConnected, false);
    settings.writeString(SettingsKey::routerIP, controller);
    detections.clear();
    flow.appear();
    EXPECT_EQ(settings.readString(SettingsKey::routerIP), controller) << "on this computer's subnet";
}

// A typed password is saved only under the address it was typed for, a
// password shown as loaded never overwrites a newer one in the keyring, and a
// login whose address moved while it ran connects nobody.
TEST_F(RouterConnectionFlowTest, APasswordBelongsToItsAddressAndAMovedLoginIsAbandoned) {
    const QString other = QStringLiteral("10.0.0.1");
    settings.writeString(SettingsKey::routerIP, studioRouter);
    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("glinet"));
    flow.appear();
    flow.setLocalPassword(QStringLiteral("for-studio"));
    flow.setRouterIP(other);
    EXPECT_EQ(flow.localPassword(), QString());
    flow.press();
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    EXPECT_FALSE(credentials.items.contains(QStringLiteral("routerPassword_10.0.0.1")));

    // Moved while logging in: the login's success reaches nobody.
    flow.setRouterIP(studioRouter);
    EXPECT_EQ(flow.connectionState(), ConnectionState::disconnected);
    EXPECT_FALSE(flow.isBusy());
    connector.login(true, std::nullopt);
    EXPECT_EQ(flow.connectionState(), ConnectionState::disconnected);
    EXPECT_FALSE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_FALSE(settings.readBool(SettingsKey::routerAutoReconnect));
    EXPECT_FALSE(connector.model);

    credentials.items.insert(QStringLiteral("routerPassword_192.168.1.1"), QStringLiteral("old"));
    flow.appear();
    ASSERT_TRUE(waitUntil([&] { return flow.localPassword() == QStringLiteral("old"); }));
    credentials.items.insert(QStringLiteral("routerPassword_192.168.1.1"), QStringLiteral("set-by-cli"));
    connector.login = nullptr;
    flow.press();
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    EXPECT_EQ(credentials.items.value(QStringLiteral("routerPassword_192.168.1.1")),
              QStringLiteral("set-by-cli"));
}

} // namespace
