#pragma once

#include "logs/DebugEntry.h"
#include "windows/LogWindow.h"

class DebugLog;

// "Debug Log": the coded events recorded while debug logging is on, polled
// every second.
class DebugLogWindow : public LogWindow {
    Q_OBJECT
public:
    explicit DebugLogWindow(DebugLog& log, QWidget* parent = nullptr);

protected:
    void takeEntries() override;
    QList<LogRow> rows() const override;
    QString markdown() const override;
    void clearLog() override;

private:
    DebugLog& log;
    QList<DebugEntry> entries;
};
