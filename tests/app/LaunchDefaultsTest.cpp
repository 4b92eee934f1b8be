#include "app/LaunchDefaults.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

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

// What launch writes must be what the settings window shows for an absent key.
TEST_F(LaunchDefaultsTest, FirstLaunchWritesWhatTheSchemaCallsTheDefault) {
    launch();
    ASSERT_FALSE(store.keys().isEmpty());
    for (const QString& key : store.keys())
        EXPECT_EQ(store.readObject(key), SettingsSchema::find(key)->effectiveDefault) << key.toStdString();
}

// A style left by an older build, or spelt another way, becomes "combo".
TEST_F(LaunchDefaultsTest, ChoicesAndKnownIconStylesSurviveButTheConnectionDoesNot) {
    store.writeBool(SettingsKey::settingsWindowOnTop, false);
    store.writeString(SettingsKey::monitoringMode, QString());
    store.writeString(SettingsKey::iconStyle, QStringLiteral("dot"));
    store.writeBool(SettingsKey::routerConnected, true);
    launch();
    EXPECT_FALSE(store.readBool(SettingsKey::settingsWindowOnTop));
    EXPECT_EQ(store.readString(SettingsKey::monitoringMode), QString());
    EXPECT_EQ(store.readString(SettingsKey::iconStyle), QStringLiteral("dot"));
    EXPECT_EQ(store.readObject(SettingsKey::routerConnected), QJsonValue(false));

    store.writeString(SettingsKey::iconStyle, QStringLiteral("Dot"));
    launch();
    EXPECT_EQ(store.readString(SettingsKey::iconStyle), QStringLiteral("combo"));
}

} // namespace
