#pragma once

#include "platform/SystemLog.h"

#include <QList>

struct SystemLogLine {
    SystemLogLevel level;
    QString message;
    VtCode code;
    bool operator==(const SystemLogLine&) const = default;
};

// A system log that keeps the lines written to it, so tests can see what would
// have reached the journal.
class RecordingSystemLog : public SystemLog {
public:
    void write(SystemLogLevel level, const QString& message, VtCode code) override {
        lines.append({level, message, code});
    }
    QList<SystemLogLine> lines;
};
