#pragma once

#include "platform/SystemLog.h"

#include <QStringList>

// A system log that keeps the lines written to it, so tests can see what would
// have reached the journal.
class RecordingSystemLog : public SystemLog {
public:
    void write(SystemLogLevel, const QString& message, VtCode) override { lines.append(message); }
    QStringList lines;
};
