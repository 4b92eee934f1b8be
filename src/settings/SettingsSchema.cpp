#include "settings/SettingsSchema.h"

#include "settings/SettingsKeys.h"

#include <QJsonObject>
#include <algorithm>

namespace SettingsSchema {

const std::vector<SettingDefinition>& definitions() {
    using T = SettingType;
    const QJsonValue empty{QString()};
    const QJsonValue no{false};
    const QJsonValue yes{true};
    static const std::vector<SettingDefinition> table = {
        {SettingsKey::monitoringMode, T::string, QJsonValue(modes.first()), modes, TextFormat::any, true},
        {SettingsKey::routerIP, T::string, empty, {}, TextFormat::ipv4AddressOrEmpty, true},
        {SettingsKey::routerUsername, T::string, empty, {}, TextFormat::any, true},
        // Empty until detection has run; that state is reached by removing the key.
        {SettingsKey::detectedRouterType, T::string, empty, routerTypes, TextFormat::any, true},
        {SettingsKey::detectedModelName, T::string, empty, {}, TextFormat::any, true},
        {SettingsKey::targetMAC, T::string, empty, {}, TextFormat::macAddressOrEmpty, true},
        {SettingsKey::targetName, T::string, empty, {}, TextFormat::any, true},
        {SettingsKey::targetMAC2, T::string, empty, {}, TextFormat::macAddressOrEmpty, true},
        {SettingsKey::targetName2, T::string, empty, {}, TextFormat::any, true},
        {SettingsKey::targetLabelStyle, T::string, QJsonValue(labelStyles.first()), labelStyles,
         TextFormat::any, true},
        {SettingsKey::audioEnabled, T::boolean, no, {}, TextFormat::any, true},
        {SettingsKey::audioThreshold, T::string, QJsonValue(thresholds.first()), thresholds, TextFormat::any,
         true},
        {SettingsKey::desktopNotifications, T::boolean, yes, {}, TextFormat::any, true},
        {SettingsKey::iconStyle, T::string, QJsonValue(iconStyles.first()), iconStyles, TextFormat::any,
         true},
        {SettingsKey::floatingWindowEnabled, T::boolean, no, {}, TextFormat::any, true},
        {SettingsKey::floatingWindowOnTop, T::boolean, no, {}, TextFormat::any, true},
        // 0 records nothing.
        {SettingsKey::historyDays, T::integer, QJsonValue(365), {}, TextFormat::any, true, 0, 3650},
        {SettingsKey::settingsWindowOnTop, T::boolean, yes, {}, TextFormat::any, true},
        {SettingsKey::routerAutoConnectEnabled, T::boolean, yes, {}, TextFormat::any, true},
        {SettingsKey::launchAtLogin, T::boolean, no, {}, TextFormat::any, true},
        {SettingsKey::debugLogging, T::boolean, no, {}, TextFormat::any, true},
        {SettingsKey::showDev, T::boolean, no, {}, TextFormat::any, true},
        {SettingsKey::routerConnected, T::boolean, no, {}, TextFormat::any, false},
        {SettingsKey::routerAutoReconnect, T::boolean, no, {}, TextFormat::any, false},
        {SettingsKey::keychainACLMigration1, T::boolean, no, {}, TextFormat::any, false},
        {SettingsKey::keychainACLMigration2, T::boolean, no, {}, TextFormat::any, false},
        {SettingsKey::whatsNewLastSeenBuild, T::string, std::nullopt, {}, TextFormat::any, false},
        {SettingsKey::routerPassword, T::string, std::nullopt, {}, TextFormat::any, false},
        {SettingsKey::deviceNameRegistry,
         T::dictionary,
         QJsonValue(QJsonObject()),
         {},
         TextFormat::any,
         false},
    };
    return table;
}

const SettingDefinition* find(const QString& key) {
    const auto& table = definitions();
    const auto it = std::find_if(table.begin(), table.end(), [&key](const SettingDefinition& definition) {
        return definition.key == key;
    });
    return it == table.end() ? nullptr : &*it;
}

} // namespace SettingsSchema
