#include "router/DeviceNameRegistry.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "router/CameraVendor.h"
#include "router/RouterClient.h"

#include <gtest/gtest.h>

namespace {

class DeviceNameRegistryTest : public testing::Test {
protected:
    TestEnvironment env;
    SettingsStore settings{env.path(QStringLiteral("settings.json"))};
    DeviceNameRegistry registry{settings};
};

TEST_F(DeviceNameRegistryTest, StoresUnderTheUpperCasedMACAndAnEmptyNameRemovesOnlyThatDevice) {
    registry.setName(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Studio R5"));
    registry.setName(QStringLiteral("11:22:33:44:55:66"), QStringLiteral("Backup"));
    const QMap<QString, QString> backup{{QStringLiteral("11:22:33:44:55:66"), QStringLiteral("Backup")}};
    QMap<QString, QString> both = backup;
    both.insert(QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Studio R5"));
    EXPECT_EQ(settings.readDictionary(SettingsKey::deviceNameRegistry), both);
    EXPECT_EQ(registry.name(QStringLiteral("Aa:Bb:cc:DD:ee:ff")), QStringLiteral("Studio R5"));

    registry.setName(QStringLiteral("aa:bb:cc:dd:ee:ff"), QString());
    EXPECT_EQ(registry.names(), backup);
}

TEST_F(DeviceNameRegistryTest, DisplayNameTakesTheFirstNameThatIsKnown) {
    registry.setName(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Studio R5"));
    const auto shown = [&](const char* mac, const char* hostname) {
        return displayName(RouterClient(QString::fromLatin1(mac), {}, QString::fromLatin1(hostname), {}, -99,
                                        0.0, true, 0, 0, {}),
                           settings);
    };
    EXPECT_EQ(shown("aa:bb:cc:dd:ee:ff", "canon-eos"), QStringLiteral("Studio R5"));
    EXPECT_EQ(shown("78:F5:05:00:00:01", "canon-eos"), QStringLiteral("canon-eos"));
    EXPECT_EQ(shown("78:f5:05:00:00:01", ""), QStringLiteral("Canon R5 Mark II"));
    EXPECT_EQ(shown("88:B4:36:00:00:01", ""), QStringLiteral("Fujifilm"));
    EXPECT_EQ(shown("12:34:56:00:00:01", ""), QStringLiteral("(unknown)"));
}

// The prefix table itself is data; these rows prove how it is looked up.
TEST(CameraVendorTest, FindsVendorAndHintByPrefixInAnyCaseOrSeparator) {
    EXPECT_EQ(vendorForMAC(QStringLiteral("84:BA:3B:12:34:56")), QStringLiteral("Canon"));
    EXPECT_EQ(vendorForMAC(QStringLiteral("3c-be-e1-ab-cd-ef")), QStringLiteral("Nikon"));
    EXPECT_EQ(vendorForMAC(QStringLiteral("78:F5:05")), QStringLiteral("Canon")) << "the prefix alone";
    EXPECT_EQ(cameraModelHint(QStringLiteral("78-f5-05-aa-bb-cc")), CameraModelHint::r5MarkII);
    EXPECT_EQ(cameraModelHint(QStringLiteral("84:BA:3B:00:00:01")), std::nullopt);
    for (const QString& mac : {QStringLiteral("78:F5"), QStringLiteral("AA:BB:CC:DD:EE:FF")}) {
        EXPECT_EQ(vendorForMAC(mac), std::nullopt) << mac.toStdString();
        EXPECT_EQ(cameraModelHint(mac), std::nullopt) << mac.toStdString();
    }
}

} // namespace
