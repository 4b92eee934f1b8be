#pragma once

#include <QFileSystemWatcher>
#include <QObject>

class EventLogger;
class SettingsStore;

// Carries a `debugLogging` value written by another process (veltrano-cli
// settings set) to this one's listeners, as the settings window's switch does.
// The file is replaced on every write, so its folder is watched. Main thread.
class SettingsFileWatcher : public QObject {
    Q_OBJECT
public:
    SettingsFileWatcher(SettingsStore& settings, EventLogger& logger, QObject* parent = nullptr);

private:
    void settingsChanged();

    SettingsStore& settings;
    EventLogger& logger;
    QFileSystemWatcher watcher;
    bool debugLogging = false;
};
