#include "settings/SettingsFileWatcher.h"

#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/EventLogger.h"

#include <QDir>
#include <QFileInfo>

SettingsFileWatcher::SettingsFileWatcher(SettingsStore& settings, EventLogger& logger, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , logger(logger)
    , debugLogging(settings.readBool(SettingsKey::debugLogging)) {
    const QString folder = QFileInfo(settings.filePath()).absolutePath();
    QDir().mkpath(folder);
    watcher.addPath(folder);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &SettingsFileWatcher::settingsChanged);
    // A switch flipped in this process has been announced already.
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, this,
                                         [this](std::optional<bool> enabled) {
                                             if (enabled)
                                                 debugLogging = *enabled;
                                         });
}

void SettingsFileWatcher::settingsChanged() {
    const bool enabled = settings.readBool(SettingsKey::debugLogging);
    if (enabled == debugLogging)
        return;
    debugLogging = enabled;
    logger.debugLoggingToggled(enabled);
}
