#include "app/AutoConnect.h"

#include "FakeRouterConnector.h"
#include "TestEnvironment.h"
#include "logs/SessionLog.h"
#include "monitor/FakeRouterService.h"
#include "router/MemoryCredentialStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class AutoConnectTest : public ::testing::Test {
protected:
    AutoConnectTest() {
        router.gateways = {{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 \u2014 eth0")},
                           {QStringLiteral("192.168.1.1"), QStringLiteral("192.168.1.1 \u2014 Studio UDM")}};
        arrangeReconnection();
    }

    // A UniFi console the last run ended connected to, auto-connect on by default.
    void arrangeReconnection() {
        settings.remove(SettingsKey::routerAutoConnectEnabled);
        settings.remove(SettingsKey::monitoringMode);
        settings.writeBool(SettingsKey::routerAutoReconnect, true);
        settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.1.1"));
        settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("unifi"));
        credentials.items.insert(QStringLiteral("routerPassword_192.168.1.1"), QStringLiteral("secret"));
    }

    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    SessionLog log{env.dataHome() + QStringLiteral("/Veltrano/session_log.json")};
    MemoryCredentialStore credentials;
    FakeRouterConnector connector;
    FakeRouterService router;
    AutoConnect autoConnect{settings, credentials, connector, router, log};
};

// Every condition on its own stops the reconnection before any login, and so
// does moving to another router while the keyring was being read.
TEST_F(AutoConnectTest, EachMissingConditionSkipsTheLogin) {
    const std::vector<std::function<void()>> breakOne{
        [&] { settings.writeBool(SettingsKey::routerAutoConnectEnabled, false); },
        [&] { settings.remove(SettingsKey::routerAutoReconnect); },
        [&] { settings.writeString(SettingsKey::monitoringMode, QStringLiteral("wifi")); },
        [&] { settings.writeString(SettingsKey::routerIP, QString()); },
        [&] { settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("unknown")); },
        [&] { credentials.items.remove(QStringLiteral("routerPassword_192.168.1.1")); },
        [&] { credentials.items.insert(QStringLiteral("routerPassword_192.168.1.1"), QString()); },
        [&] {
            credentials.gate.lock();
            autoConnect.start();
            settings.writeString(SettingsKey::routerIP, QStringLiteral("10.0.0.1"));
            credentials.gate.unlock();
        },
    };
    for (size_t condition = 0; condition < breakOne.size(); ++condition) {
        arrangeReconnection();
        breakOne[condition]();
        autoConnect.start();
        ASSERT_TRUE(autoConnect.endBackgroundWork(std::chrono::seconds(5)));
        QCoreApplication::processEvents();
        EXPECT_FALSE(connector.login) << condition;
    }
}

// Connected only in the completion; then the model name, the access points'
// login for UniFi, and the session-log line with the gateway's label. A refused
// login turns the next launch's reconnection off, silently.
TEST_F(AutoConnectTest, CompletionRecordsTheConnectionOrTurnsReconnectionOff) {
    settings.writeBool(SettingsKey::routerConnected, false);
    credentials.gate.lock();
    ASSERT_TRUE(autoConnect.start());
    EXPECT_FALSE(connector.login) << "the launch goes on while the keyring answers";
    credentials.gate.unlock();
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    EXPECT_FALSE(settings.readBool(SettingsKey::routerConnected));
    connector.login(true, std::nullopt);
    EXPECT_TRUE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_EQ(connector.apCredentialFetches, 1);
    ASSERT_TRUE(connector.model);
    connector.model(QStringLiteral("UDM Pro"));
    EXPECT_EQ(settings.readString(SettingsKey::detectedModelName), QStringLiteral("UDM Pro"));
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries().first().message.toStdString(),
              "Router connected \u00b7 UDM Pro \u00b7 192.168.1.1 \u00b7 Studio UDM");

    settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("glinet"));
    connector.login = nullptr;
    connector.model = nullptr;
    connector.apCredentialFetches = 0;
    ASSERT_TRUE(autoConnect.start());
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    connector.login(false, QStringLiteral("Connection failed"));
    EXPECT_FALSE(settings.readBool(SettingsKey::routerAutoReconnect));
    EXPECT_FALSE(connector.model);
    EXPECT_EQ(connector.apCredentialFetches, 0);

    // Uninstalled while it ran: the settings it would write are gone for good.
    settings.writeBool(SettingsKey::routerAutoReconnect, true);
    connector.login = nullptr;
    ASSERT_TRUE(autoConnect.start());
    ASSERT_TRUE(waitUntil([&] { return bool(connector.login); }));
    autoConnect.cancel();
    settings.removeAll();
    connector.login(false, std::nullopt);
    EXPECT_FALSE(QFile::exists(settings.filePath()));
}

} // namespace
