#include "router/DeviceNameRegistry.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "router/CameraVendor.h"
#include "router/RouterClient.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

TEST_F(DeviceNameRegistryTest, NonStringValueHidesTheRegistryButKeepsItsNames) {
    QJsonObject stored{{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Studio R5")},
                       {QStringLiteral("11:22:33:44:55:66"), QJsonArray{1}}};
    QJsonObject file{{SettingsKey::deviceNameRegistry, stored}};
    QFile out(settings.filePath());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(file).toJson());
    out.close();

    EXPECT_TRUE(registry.names().isEmpty());
    EXPECT_TRUE(registry.name(QStringLiteral("AA:BB:CC:DD:EE:FF")).isEmpty());

    // Naming another device repairs the registry without losing the readable name.
    registry.setName(QStringLiteral("22:33:44:55:66:77"), QStringLiteral("Drone"));
    const QMap<QString, QString> expected{{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Studio R5")},
                                          {QStringLiteral("22:33:44:55:66:77"), QStringLiteral("Drone")}};
    EXPECT_EQ(registry.names(), expected);
}

TEST_F(DeviceNameRegistryTest, DisplayNameTakesTheFirstNameThatIsKnown) {
    registry.setName(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Studio R5"));
    const struct {
        const char* mac;
        const char* hostname;
        const char* expected;
    } rows[] = {
        {"aa:bb:cc:dd:ee:ff", "canon-eos", "Studio R5"}, {"78:F5:05:00:00:01", "canon-eos", "canon-eos"},
        {"78:f5:05:00:00:01", "", "Canon R5 Mark II"},   {"88:B4:36:00:00:01", "", "Fujifilm"},
        {"12:34:56:00:00:01", "", "(unknown)"},
    };
    for (const auto& row : rows) {
        RouterClient client;
        client.mac = QString::fromLatin1(row.mac);
        client.hostname = QString::fromLatin1(row.hostname);
        EXPECT_EQ(displayName(client, settings), QString::fromLatin1(row.expected)) << row.mac;
    }
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
