#include "router/DeviceNameRegistry.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonObject>

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
    // Starts from every readable entry rather than from names(): one damaged value
    // hides the registry from readers, but must not cost the user the other names.
    QMap<QString, QString> stored;
    const QJsonObject current =
        settings.readObject(SettingsKey::deviceNameRegistry).value_or(QJsonValue()).toObject();
    for (auto it = current.begin(); it != current.end(); ++it)
        if (it.value().isString())
            stored.insert(it.key(), it.value().toString());
    if (name.isEmpty())
        stored.remove(mac.toUpper());
    else
        stored.insert(mac.toUpper(), name);
    settings.writeDictionary(SettingsKey::deviceNameRegistry, stored);
}

QString DeviceNameRegistry::name(const SettingsStore& settings, const QString& mac) {
    return settings.readDictionary(SettingsKey::deviceNameRegistry).value(mac.toUpper());
}
