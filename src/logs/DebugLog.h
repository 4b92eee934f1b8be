#pragma once

#include "logs/DebugEntry.h"

#include <QList>
#include <QObject>
#include <mutex>

// The in-memory list of coded events recorded while debug logging is on,
// newest 2,000 kept, never written to disk. The list belongs to the main
// thread; other threads hand their entries over and never wait for them.
class DebugLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype capacity = 2000;

    // Lives in the application's main thread, whichever thread creates it.
    explicit DebugLog(QObject* parent = nullptr);

    static DebugLog& shared();

    // Main thread only. Oldest first.
    const QList<DebugEntry>& entries() const { return recorded; }
    // Main thread only. The log window empties the log by assigning an empty list.
    void setEntries(QList<DebugEntry> entries);

    // Any thread.
    void log(const QString& level, VtCode code, const QString& detail);

private:
    Q_INVOKABLE void takeHandedOver();
    void append(DebugEntry entry);

    QList<DebugEntry> recorded;

    // Entries from other threads waiting for the main thread, oldest first. The
    // mutex is held only to move entries in or out, never while the main thread
    // works on them.
    std::mutex handOverMutex;
    QList<DebugEntry> handedOver;
};

// The Markdown table the log window saves. `savedAt` is shown in the header.
QString debugMarkdown(const QList<DebugEntry>& entries, const QDateTime& savedAt);
QString debugMarkdown(const QList<DebugEntry>& entries);
