#include "settings/SettingsFileWatcher.h"

#include "logs/EventLogger.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace {

const std::pair<QString, QString> announcedKeys[] = {
    {SettingsKey::floatingWindowEnabled, NotificationName::floatingWindowToggled},
    {SettingsKey::floatingWindowOnTop, NotificationName::floatingWindowOnTopToggled},
    {SettingsKey::settingsWindowOnTop, NotificationName::settingsWindowOnTopToggled},
    {SettingsKey::debugLogging, NotificationName::debugLoggingToggled},
};

const QString signalledKeys[] = {SettingsKey::showDev, SettingsKey::iconStyle, SettingsKey::targetLabelStyle,
                                 SettingsKey::audioEnabled, SettingsKey::audioThreshold};

} // namespace

SettingsFileWatcher::SettingsFileWatcher(SettingsStore& settings, EventLogger& logger, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , logger(logger) {
    NotificationCenter& center = NotificationCenter::shared();
    for (const auto& [key, notification] : announcedKeys) {
        lastSeen.insert(key, effectiveValue(key));
        // A switch flipped in this process has been announced already.
        center.observe(notification, this, [this, key = key](std::optional<bool> value) {
            if (value)
                lastSeen.insert(key, *value);
        });
    }
    for (const QString& key : signalledKeys)
        lastSeen.insert(key, effectiveValue(key));
    const QString folder = QFileInfo(settings.filePath()).absolutePath();
    QDir().mkpath(folder);
    watcher.addPath(folder);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &SettingsFileWatcher::settingsChanged);
}

void SettingsFileWatcher::stop() {
    watcher.disconnect(this);
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
}

QJsonValue SettingsFileWatcher::effectiveValue(const QString& key) const {
    if (const std::optional<QJsonValue> stored = settings.readObject(key))
        return *stored;
    const SettingDefinition* definition = SettingsSchema::find(key);
    return definition && definition->effectiveDefault ? *definition->effectiveDefault : QJsonValue();
}

void SettingsFileWatcher::settingsChanged() {
    for (const auto& [key, notification] : announcedKeys) {
        const QJsonValue value = effectiveValue(key);
        if (value == lastSeen.value(key))
            continue;
        lastSeen.insert(key, value);
        // The logger also writes the switch's event line, as the settings window's does.
        if (key == SettingsKey::debugLogging)
            logger.debugLoggingToggled(value.toBool());
        else
            NotificationCenter::shared().post(notification, value.toBool());
    }
    for (const QString& key : signalledKeys) {
        const QJsonValue value = effectiveValue(key);
        if (value == lastSeen.value(key))
            continue;
        lastSeen.insert(key, value);
        Q_EMIT changed(key);
    }
}
