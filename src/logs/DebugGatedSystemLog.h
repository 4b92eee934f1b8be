#pragma once

#include "platform/SystemLog.h"

class SettingsStore;

// Passes info and error events on to the system log, and debug events only while
// the `debugLogging` setting is on: the per-poll debug events would otherwise
// flood the journal, or standard error where there is no journal.
class DebugGatedSystemLog : public SystemLog {
public:
    DebugGatedSystemLog(SystemLog& systemLog, const SettingsStore& settings);

    void write(SystemLogLevel level, const QString& message, VtCode code) override;

private:
    SystemLog& systemLog;
    const SettingsStore& settings;
};
