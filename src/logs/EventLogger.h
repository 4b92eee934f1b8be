#pragma once

#include "logs/VtCode.h"
#include "platform/SystemLog.h"

#include <QString>

class DebugLog;
class SettingsStore;

// The one way events are reported: every event is written to the given system
// log, and while the `debugLogging` setting is on it is also recorded in the
// debug log. Safe from any thread.
class EventLogger {
public:
    EventLogger(SystemLog& systemLog, const SettingsStore& settings, DebugLog& debugLog);

    // The journal (debug events only while debug logging is on), the user's
    // settings and the shared debug log.
    static EventLogger& shared();

    void logEvent(VtCode code, const QString& detail, SystemLogLevel level);
    void logInfo(VtCode code, const QString& detail) { logEvent(code, detail, SystemLogLevel::info); }
    void logDebug(VtCode code, const QString& detail) { logEvent(code, detail, SystemLogLevel::debug); }
    void logError(VtCode code, const QString& detail) { logEvent(code, detail, SystemLogLevel::error); }

    // Called after the settings window has stored the new `debugLogging` value,
    // so switching on is itself the first recorded event and switching off is not
    // recorded. Then tells the menu.
    void debugLoggingToggled(bool enabled);

private:
    SystemLog& systemLog;
    const SettingsStore& settings;
    DebugLog& debugLog;
};

void logInfo(VtCode code, const QString& detail);
void logDebug(VtCode code, const QString& detail);
void logError(VtCode code, const QString& detail);
void debugLoggingToggled(bool enabled);
