#include "app/LaunchDefaults.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsSchema.h"
#include "app/SettingsStore.h"

#include <QJsonValue>
#include <gtest/gtest.h>

namespace {

class LaunchDefaultsTest : public ::testing::Test {
protected:
    void launch() {
        LaunchDefaults::resetRouterConnected(store);
        LaunchDefaults::registerAbsentDefaults(store);
    }

    TestEnvironment env;
    SettingsStore store{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
};

TEST_F(LaunchDefaultsTest, FirstLaunchWritesExactlyTheRegisteredKeysWithTheirDefaults) {
    launch();

    QStringList keys = store.keys();
    keys.sort();
    EXPECT_EQ(keys,
              (QStringList{SettingsKey::audioEnabled, SettingsKey::audioThreshold, SettingsKey::iconStyle,
                           SettingsKey::monitoringMode, SettingsKey::routerAutoConnectEnabled,
                           SettingsKey::routerConnected, SettingsKey::settingsWindowOnTop}));
    // What launch writes must be what the settings window shows for an absent key.
    for (const QString& key : keys) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(store.readObject(key), SettingsSchema::find(key)->effectiveDefault);
    }
}

TEST_F(LaunchDefaultsTest, StoredValuesSurviveLaunchesButTheConnectionDoesNot) {
    store.writeBool(SettingsKey::settingsWindowOnTop, false);
    store.writeBool(SettingsKey::routerAutoConnectEnabled, false);
    store.writeString(SettingsKey::audioThreshold, QStringLiteral("Critical"));
    store.writeString(SettingsKey::monitoringMode, QString());
    store.writeBool(SettingsKey::routerConnected, true);
    store.writeBool(SettingsKey::routerAutoReconnect, true);

    for (int run = 0; run < 2; ++run) {
        launch();
        EXPECT_FALSE(store.readBool(SettingsKey::settingsWindowOnTop));
        EXPECT_FALSE(store.readBool(SettingsKey::routerAutoConnectEnabled));
        EXPECT_EQ(store.readString(SettingsKey::audioThreshold), QStringLiteral("Critical"));
        EXPECT_EQ(store.readString(SettingsKey::monitoringMode), QString());
        EXPECT_EQ(store.readObject(SettingsKey::routerConnected), QJsonValue(false));
        EXPECT_TRUE(store.readBool(SettingsKey::routerAutoReconnect));
        store.writeBool(SettingsKey::routerConnected, true);
    }
}

// A style left by an older build, or stored as another type, becomes "combo".
TEST_F(LaunchDefaultsTest, OnlyTheFourIconStylesSurvive) {
    for (const QString& style : SettingsSchema::iconStyles) {
        store.writeString(SettingsKey::iconStyle, style);
        launch();
        EXPECT_EQ(store.readString(SettingsKey::iconStyle), style);
    }
    for (const QJsonValue& stored :
         {QJsonValue(QStringLiteral("bars")), QJsonValue(QStringLiteral("Dot")), QJsonValue(true)}) {
        if (stored.isString())
            store.writeString(SettingsKey::iconStyle, stored.toString());
        else
            store.writeBool(SettingsKey::iconStyle, stored.toBool());
        launch();
        EXPECT_EQ(store.readString(SettingsKey::iconStyle), QStringLiteral("combo"))
            << stored.toVariant().toString().toStdString();
    }
}

} // namespace
