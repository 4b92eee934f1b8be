#include "logs/EventLogger.h"

#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugGatedSystemLog.h"
#include "logs/DebugLog.h"
#include "platform/JournalSystemLog.h"

namespace {

QString levelLabel(SystemLogLevel level) {
    switch (level) {
    case SystemLogLevel::info:
        return QStringLiteral("INFO");
    case SystemLogLevel::debug:
        return QStringLiteral("DEBUG");
    case SystemLogLevel::error:
        return QStringLiteral("ERROR");
    }
    Q_UNREACHABLE();
}

} // namespace

EventLogger::EventLogger(SystemLog& systemLog, const SettingsStore& settings, DebugLog& debugLog)
    : systemLog(systemLog)
    , settings(settings)
    , debugLog(debugLog) {}

EventLogger& EventLogger::shared() {
    static JournalSystemLog journal;
    static DebugGatedSystemLog systemLog(journal, SettingsStore::shared());
    static EventLogger logger(systemLog, SettingsStore::shared(), DebugLog::shared());
    return logger;
}

void EventLogger::logEvent(VtCode code, const QString& detail, SystemLogLevel level) {
    const QString raw = rawValue(code);
    systemLog.write(level, detail.isEmpty() ? raw : raw + QLatin1Char(' ') + detail, code);
    // Read at every event, so the switch takes effect with the next one.
    if (settings.readBool(SettingsKey::debugLogging))
        debugLog.log(levelLabel(level), code, detail);
}

void EventLogger::debugLoggingToggled(bool enabled) {
    logInfo(enabled ? VtCode::debugOn : VtCode::debugOff, QString());
    NotificationCenter::shared().post(NotificationName::debugLoggingToggled, enabled);
}

void logInfo(VtCode code, const QString& detail) {
    EventLogger::shared().logInfo(code, detail);
}

void logDebug(VtCode code, const QString& detail) {
    EventLogger::shared().logDebug(code, detail);
}

void logError(VtCode code, const QString& detail) {
    EventLogger::shared().logError(code, detail);
}

void debugLoggingToggled(bool enabled) {
    EventLogger::shared().debugLoggingToggled(enabled);
}
