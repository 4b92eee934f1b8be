#include "router/DeviceNameRegistry.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

DeviceNameRegistry::DeviceNameRegistry(SettingsStore& settings)
    : settings(settings) {}

DeviceNameRegistry& DeviceNameRegistry::shared() {
    static DeviceNameRegistry registry(SettingsStore::shared());
    return registry;
}

QMap<QString, QString> DeviceNameRegistry::names() const {
    return settings.readDictionary(SettingsKey::deviceNameRegistry);
}

QString DeviceNameRegistry::name(const QString& mac) const {
    return name(settings, mac);
}

void DeviceNameRegistry::setName(const QString& mac, const QString& name) {
    // One damaged value hides the registry from readers, but must not cost the
    // user the other names: only string entries are carried over.
    settings.writeDictionaryEntry(SettingsKey::deviceNameRegistry, mac.toUpper(), name);
}

QString DeviceNameRegistry::name(const SettingsStore& settings, const QString& mac) {
    return settings.readDictionary(SettingsKey::deviceNameRegistry).value(mac.toUpper());
}
