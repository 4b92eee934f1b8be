#pragma once

#include "logs/LogEntry.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The user-facing history of a shooting session, kept in session_log.json and
// rewritten after every append so that it survives any way the program ends.
// Main thread only.
class SessionLog {
public:
    using Clock = std::function<QDateTime()>;

    static constexpr qsizetype maximumEntries = 5000;

    // Without a file the log lives in memory only. A file that cannot be read as a
    // whole is moved aside, never overwritten.
    explicit SessionLog(
        std::optional<QString> persistURL, Clock clock = [] { return QDateTime::currentDateTime(); });
    // Two instances on one file would overwrite each other's entries.
    Q_DISABLE_COPY_MOVE(SessionLog)

    // $XDG_DATA_HOME/Veltrano/session_log.json (default ~/.local/share); empty when
    // the system names no data folder.
    static SessionLog& shared();
    static QString defaultFilePath();

    // The stored entries of `path`: empty when the file does not exist, none when
    // it cannot be read or decoded as a whole.
    static std::optional<QList<LogEntry>> readEntries(const QString& path);

    static QString sessionMarkdown(const QList<LogEntry>& entries, const QDateTime& savedAt);
    static QString sessionMarkdown(const QList<LogEntry>& entries);

    static QString launchMessage(const QString& operatingSystem, const QString& version, const QString& label,
                                 const QString& build);

    const QList<LogEntry>& entries() const { return entryList; }
    // The monitors' repeated-state suppression: message prefix to the state label
    // last written under it. Never saved.
    QHash<QString, QString>& lastStateByPrefix() { return lastStates; }
    const std::optional<QString>& persistURL() const { return filePath; }
    // Where an unreadable file was moved; empty when that did not happen.
    QString setAsidePath() const { return movedAsideTo; }

    void append(const LogEntry& entry);
    // Why the file could not be written (a full disk, a read-only folder); the
    // file on disk then stays as it was.
    std::optional<QString> save();
    void clear();

    void logAppLaunch();
    void logRouterConnected(const QString& first, const QString& second, const QString& third);
    void logRouterDisconnected(const QString& first, const QString& second);
    void logBandNotice(const QString& band, const QString& detail);
    // `who` roamed to the access point the site calls `accessPoint`; `band`
    // ("5 GHz") may be empty.
    void logAccessPointMove(const QString& who, const QString& accessPoint, const QString& band);
    // The health watch's verdicts, so that an outage shows in the shoot's history.
    void logRouterUnreachable();
    void logRouterRecovered();
    // Recording the signal history ended for this run (a full disk).
    void logHistoryStopped(const QString& reason);

private:
    void load();
    void appendNote(const QString& state, const QString& message);

    QList<LogEntry> entryList;
    QHash<QString, QString> lastStates;
    std::optional<QString> filePath;
    Clock clock;
    QString movedAsideTo;
    // Set when an unreadable file could not be moved aside: writing would destroy it.
    bool persistenceBlocked = false;
};
