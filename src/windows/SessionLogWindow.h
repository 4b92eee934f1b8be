#pragma once

#include "logs/LogEntry.h"
#include "windows/LogWindow.h"

class SessionLog;

// "Session Log": the persisted history of state changes, polled every 2 s.
class SessionLogWindow : public LogWindow {
    Q_OBJECT
public:
    explicit SessionLogWindow(SessionLog& log, QWidget* parent = nullptr);

protected:
    void takeEntries() override;
    QList<LogRow> rows() const override;
    QString markdown() const override;
    void clearLog() override;

private:
    SessionLog& log;
    QList<LogEntry> entries;
};
