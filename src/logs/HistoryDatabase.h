#pragma once

#include "logs/HistoryOutage.h"
#include "logs/HistoryReading.h"
#include "logs/HistorySnapshot.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

struct sqlite3;

// The signal history on disk: every reading for two weeks, then one row a minute
// per target, in SQLite with a write-ahead log so that a reader (the window, the
// command-line tool) never waits for the writer. One connection per instance,
// used by one thread at a time.
class HistoryDatabase {
public:
    // Readings older than this are folded into the per-minute rows.
    static constexpr int fullResolutionDays = 14;
    // Ranges longer than this are read from the per-minute rows. A day (and
    // the 25-hour day of a clock change) is read whole: its drops are what a
    // report is asked for, and a minute row would blur a dip of seconds.
    static constexpr qint64 perMinuteFromMs = 25LL * 60 * 60 * 1000;

    enum class Access { readWrite, readOnly };

    struct Opened {
        std::unique_ptr<HistoryDatabase> database;
        // Why it could not be opened; set when `database` is null.
        QString error;
        // Where a damaged database was moved before a new one was started.
        QString setAsidePath;
    };

    // $XDG_DATA_HOME/Veltrano/history.sqlite3; empty when the system names no data folder.
    static QString defaultFilePath();

    // Read-write opens create the file (mode 0600) and its folder, and move a file
    // that is not a database or fails its integrity check aside. A read-only open
    // of a missing file fails.
    static Opened open(const QString& path, Access access = Access::readWrite);

    ~HistoryDatabase();
    Q_DISABLE_COPY_MOVE(HistoryDatabase)

    // One transaction: all of it or nothing. Outages are keyed by their start, so
    // an outage written when it began is completed by writing it again with its end.
    std::optional<QString> write(const QList<HistoryReading>& readings, const QList<HistoryOutage>& outages);
    // Folds every complete minute not yet folded, deletes readings older than two
    // weeks and everything older than `historyDays`.
    std::optional<QString> applyRetention(qint64 nowMs, int historyDays);
    // True after a write failed because the disk (or the user's quota) is full.
    bool diskFull() const { return full; }

    HistorySnapshot snapshot(qint64 fromMs, qint64 toMs) const;

    // Frees the pages SQLite caches between uses. The tray writes every few
    // seconds and reads rarely: a cache kept warm between them would hold
    // memory all day for no time a user could see.
    void releaseMemory();

private:
    explicit HistoryDatabase(sqlite3* connection);

    sqlite3* connection;
    bool full = false;
};
