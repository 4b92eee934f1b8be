#pragma once

#include "platform/SystemLog.h"

#include <QByteArray>

// Writes to the systemd journal through its native socket, with our own
// VELTRANO_SUBSYSTEM, VELTRANO_CATEGORY and VELTRANO_CODE fields beside
// MESSAGE, PRIORITY and SYSLOG_IDENTIFIER; the message carries the code's words
// beside the code. Without a journal (containers,
// minimal systems) each event becomes one line on standard error instead, its
// control characters escaped.
class JournalSystemLog : public SystemLog {
public:
    JournalSystemLog();

    void write(SystemLogLevel level, const QString& message, VtCode code) override;

private:
    bool sendToJournal(SystemLogLevel level, const QByteArray& message, VtCode code) const;
    void writeToStandardError(SystemLogLevel level, const QString& message) const;

    const QByteArray identifier;
};
