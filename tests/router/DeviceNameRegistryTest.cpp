#include "router/DeviceNameRegistry.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/CameraVendor.h"
#include "router/RouterClient.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class DeviceNameRegistryTest : public testing::Test {
protected:
    TestEnvironment env;
    SettingsStore settings{env.path(u"settings.json"_s)};
    DeviceNameRegistry registry{settings};
};

TEST_F(DeviceNameRegistryTest, StoresUnderTheUpperCasedMACAndAnEmptyNameRemovesOnlyThatDevice) {
    registry.setName(u"aa:bb:cc:dd:ee:ff"_s, u"Studio R5"_s);
    registry.setName(u"11:22:33:44:55:66"_s, u"Backup"_s);
    EXPECT_EQ(settings.readDictionary(SettingsKey::deviceNameRegistry),
              (QMap<QString, QString>{{u"11:22:33:44:55:66"_s, u"Backup"_s},
                                      {u"AA:BB:CC:DD:EE:FF"_s, u"Studio R5"_s}}));
    EXPECT_EQ(registry.name(u"Aa:Bb:cc:DD:ee:ff"_s), u"Studio R5"_s);

    registry.setName(u"aa:bb:cc:dd:ee:ff"_s, QString());
    EXPECT_EQ(registry.names(), (QMap<QString, QString>{{u"11:22:33:44:55:66"_s, u"Backup"_s}}));
}

TEST_F(DeviceNameRegistryTest, DisplayNameTakesTheFirstNameThatIsKnown) {
    registry.setName(u"aa:bb:cc:dd:ee:ff"_s, u"Studio R5"_s);
    const auto shown = [&](const QString& mac, const QString& hostname) {
        return displayName(RouterClient(mac, {}, hostname, {}, -99, 0.0, true, 0, 0, {}), settings);
    };
    EXPECT_EQ(shown(u"aa:bb:cc:dd:ee:ff"_s, u"canon-eos"_s), u"Studio R5"_s);
    EXPECT_EQ(shown(u"78:F5:05:00:00:01"_s, u"canon-eos"_s), u"canon-eos"_s);
    EXPECT_EQ(shown(u"78:f5:05:00:00:01"_s, QString()), u"Canon R5 Mark II"_s);
    EXPECT_EQ(shown(u"88:B4:36:00:00:01"_s, QString()), u"Fujifilm"_s);
    EXPECT_EQ(shown(u"12:34:56:00:00:01"_s, QString()), u"(unknown)"_s);
}

// The prefix table itself is data; these rows prove how it is looked up.
TEST(CameraVendorTest, FindsVendorAndHintByPrefixInAnyCaseOrSeparator) {
    EXPECT_EQ(vendorForMAC(u"84:BA:3B:12:34:56"_s), u"Canon"_s);
    EXPECT_EQ(vendorForMAC(u"3c-be-e1-ab-cd-ef"_s), u"Nikon"_s);
    EXPECT_EQ(vendorForMAC(u"78:F5:05"_s), u"Canon"_s) << "the prefix alone";
    EXPECT_EQ(cameraModelHint(u"78-f5-05-aa-bb-cc"_s), CameraModelHint::r5MarkII);
    EXPECT_EQ(cameraModelHint(u"84:BA:3B:00:00:01"_s), std::nullopt);
    for (const QString& mac : {u"78:F5"_s, u"AA:BB:CC:DD:EE:FF"_s}) {
        EXPECT_EQ(vendorForMAC(mac), std::nullopt) << mac.toStdString();
        EXPECT_EQ(cameraModelHint(mac), std::nullopt) << mac.toStdString();
    }
}

} // namespace
