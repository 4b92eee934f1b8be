#pragma once

#include <QObject>
#include <chrono>

class EventLogger;
class LaunchSteps;
class SessionLog;
class SettingsStore;

// The launch sequence of the running program, in its fixed order. The window
// and router steps are the caller's (LaunchSteps); the settings, What's New and
// session-log steps are done here. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds whatsNewDelay{3300};

    AppDelegate(SettingsStore& settings, SessionLog& sessionLog, EventLogger& logger, LaunchSteps& steps,
                QString currentBuild, QObject* parent = nullptr);

    void applicationDidFinishLaunching();

private:
    SettingsStore& settings;
    SessionLog& sessionLog;
    EventLogger& logger;
    LaunchSteps& steps;
    const QString currentBuild;
};
