#include "app/LaunchDefaults.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

namespace LaunchDefaults {

namespace {

void writeBoolIfAbsent(SettingsStore& store, const QString& key, bool value) {
    if (!store.readObject(key))
        store.writeBool(key, value);
}

void writeStringIfAbsent(SettingsStore& store, const QString& key, const QString& value) {
    if (!store.readObject(key))
        store.writeString(key, value);
}

} // namespace

void resetRouterConnected(SettingsStore& store) {
    store.writeBool(SettingsKey::routerConnected, false);
}

void registerAbsentDefaults(SettingsStore& store) {
    writeBoolIfAbsent(store, SettingsKey::audioEnabled, false);
    writeStringIfAbsent(store, SettingsKey::audioThreshold, QStringLiteral("Marginal"));
    writeStringIfAbsent(store, SettingsKey::monitoringMode, QStringLiteral("router"));
    writeBoolIfAbsent(store, SettingsKey::settingsWindowOnTop, true);
    writeBoolIfAbsent(store, SettingsKey::routerAutoConnectEnabled, true);

    const QString fallbackIconStyle = QStringLiteral("combo");
    const std::optional<QJsonValue> iconStyle = store.readObject(SettingsKey::iconStyle);
    if (iconStyle && !SettingsSchema::iconStyles.contains(iconStyle->toString()))
        store.writeString(SettingsKey::iconStyle, fallbackIconStyle);
    writeStringIfAbsent(store, SettingsKey::iconStyle, fallbackIconStyle);
}

} // namespace LaunchDefaults
