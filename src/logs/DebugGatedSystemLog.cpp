#include "logs/DebugGatedSystemLog.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

DebugGatedSystemLog::DebugGatedSystemLog(SystemLog& systemLog, const SettingsStore& settings)
    : systemLog(systemLog)
    , settings(settings) {}

void DebugGatedSystemLog::write(SystemLogLevel level, const QString& message, VtCode code) {
    // Read at every event, so the switch takes effect with the next one.
    if (level == SystemLogLevel::debug && !settings.readBool(SettingsKey::debugLogging))
        return;
    systemLog.write(level, message, code);
}
