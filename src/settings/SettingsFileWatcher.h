#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QJsonValue>
#include <QObject>

class EventLogger;
class SettingsStore;

// Carries the settings that running windows, the menu, the status icon and the
// alert manager react to, from the file to whoever reacts, whoever wrote them:
// veltrano-cli settings set, a hand edit, or this process. The keys with a
// notification of their own (`floatingWindowEnabled`, `floatingWindowOnTop`,
// `settingsWindowOnTop`, `debugLogging`) are announced by it, as the settings
// window's switches do, and not again when a switch has announced them; the
// others by `changed`. The file is replaced on every write, so its folder is
// watched. Main thread.
class SettingsFileWatcher : public QObject {
    Q_OBJECT
public:
    SettingsFileWatcher(SettingsStore& settings, EventLogger& logger, QObject* parent = nullptr);

    // After the uninstall wipe: a window told that its setting went with the
    // file would write the settings again.
    void stop();

Q_SIGNALS:
    // `showDev`, `iconStyle`, `targetLabelStyle`, `audioEnabled` or
    // `audioThreshold` now reads differently.
    void changed(const QString& key);

private:
    void settingsChanged();
    // The stored value, or what readers assume while the key is absent.
    QJsonValue effectiveValue(const QString& key) const;

    SettingsStore& settings;
    EventLogger& logger;
    QFileSystemWatcher watcher;
    QHash<QString, QJsonValue> lastSeen;
};
