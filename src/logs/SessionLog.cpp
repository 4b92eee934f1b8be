#include "logs/SessionLog.h"

#include "BuildInfo.h"
#include "logs/MarkdownCell.h"
#include "platform/OsRelease.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QString noState = QStringLiteral("—");
const QString separator = QStringLiteral(" · ");

} // namespace

SessionLog::SessionLog(std::optional<QString> persistURL, Clock clock)
    : filePath(std::move(persistURL))
    , clock(std::move(clock)) {
    if (!filePath)
        return;
    QDir().mkpath(QFileInfo(*filePath).absolutePath());
    load();
}

SessionLog& SessionLog::shared() {
    static SessionLog log([] {
        const QString path = defaultFilePath();
        return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    }());
    return log;
}

QString SessionLog::defaultFilePath() {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    return dataHome + QStringLiteral("/Veltrano/session_log.json");
}

std::optional<QList<LogEntry>> SessionLog::readEntries(const QString& path) {
    if (!QFileInfo::exists(path))
        return QList<LogEntry>{};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return LogEntry::decodeList(data);
}

void SessionLog::load() {
    if (std::optional<QList<LogEntry>> stored = readEntries(*filePath)) {
        entryList = std::move(*stored);
        return;
    }

    // Start empty as always, but keep whatever the user had under a name that says
    // what happened, instead of letting the next save replace it.
    const QString aside = *filePath + QStringLiteral(".unreadable-") +
                          clock().toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::rename(*filePath, aside))
        movedAsideTo = aside;
    else
        persistenceBlocked = true;
}

void SessionLog::append(const LogEntry& entry) {
    entryList.append(entry);
    if (entryList.size() > maximumEntries)
        entryList.remove(0, entryList.size() - maximumEntries);
    save();
}

std::optional<QString> SessionLog::save() {
    if (!filePath)
        return std::nullopt;
    if (persistenceBlocked)
        return QStringLiteral("an unreadable session log could not be moved aside");
    // QSaveFile writes beside the target and renames on commit, so a reader sees
    // the old file or the new one. But a write cut short (full disk, size limit)
    // can still reach commit as a success, so the write is flushed and its size
    // checked first; leaving without commit discards it and keeps the old file.
    const QByteArray data = LogEntry::encodeList(entryList);
    QSaveFile file(*filePath);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // The history names the user's networks and devices: for the user alone, as
    // the settings are.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size())
        return file.errorString();
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

void SessionLog::clear() {
    entryList.clear();
    lastStates.clear();
    // A file this log could not read is not its to delete.
    if (filePath && !persistenceBlocked)
        QFile::remove(*filePath);
}

QString SessionLog::launchMessage(const QString& operatingSystem, const QString& version,
                                  const QString& label, const QString& build) {
    QString application = QStringLiteral("Veltrano ") + version;
    if (!label.isEmpty())
        application += u' ' + label;
    application += QStringLiteral(" (build ") + build + u')';
    return QStringLiteral("App launched") + separator + operatingSystem + separator + application;
}

void SessionLog::logAppLaunch() {
    appendNote(noState, launchMessage(OsRelease::systemDescription(), QString::fromUtf8(BuildInfo::version),
                                      QString::fromUtf8(BuildInfo::buildLabel),
                                      QString::fromUtf8(BuildInfo::buildNumber)));
}

void SessionLog::logRouterConnected(const QString& first, const QString& second, const QString& third) {
    QStringList parts{first.isEmpty() ? second : first + separator + second};
    if (!third.isEmpty())
        parts.append(third);
    appendNote(noState, QStringLiteral("Router connected") + separator + parts.join(separator));
}

void SessionLog::logRouterDisconnected(const QString& first, const QString& second) {
    appendNote(noState, QStringLiteral("Router disconnected") + separator +
                            (first.isEmpty() ? second : first + separator + second));
}

void SessionLog::logBandNotice(const QString& band, const QString& detail) {
    const bool slowBand = band.contains(QStringLiteral("2.4"));
    QString message = QStringLiteral("Device on ") + band;
    if (slowBand)
        message += QStringLiteral(" — limited throughput");
    if (!detail.isEmpty())
        message += separator + detail;
    appendNote(slowBand ? QStringLiteral("Critical") : noState, message);
}

void SessionLog::logAccessPointMove(const QString& who, const QString& accessPoint, const QString& band) {
    QString message = who + QStringLiteral(" moved to ") + accessPoint;
    if (!band.isEmpty())
        message += QStringLiteral(" (") + band + QLatin1Char(')');
    appendNote(noState, message);
}

void SessionLog::logRouterUnreachable() {
    appendNote(QStringLiteral("Critical"), QStringLiteral("Router unreachable"));
}

void SessionLog::logRouterRecovered() {
    appendNote(noState, QStringLiteral("Router reachable again"));
}

void SessionLog::logHistoryStopped(const QString& reason) {
    appendNote(noState, QStringLiteral("Signal history stopped — ") + reason);
}

void SessionLog::appendNote(const QString& state, const QString& message) {
    append({LogEntry::timestampFrom(clock()), state, std::nullopt, std::nullopt, message});
}

QString SessionLog::sessionMarkdown(const QList<LogEntry>& entries, const QDateTime& savedAt) {
    QStringList lines{
        QStringLiteral("# Veltrano Session Log"),
        QString(),
        QStringLiteral("*Saved: ") + savedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
            u'*',
        QString(),
        QStringLiteral("| Time | State | Signal | Event |"),
        QStringLiteral("|------|-------|--------|-------|"),
    };
    for (const LogEntry& entry : entries) {
        const QString signal =
            entry.rssi ? QString::number(*entry.rssi) + QStringLiteral(" dBm") : QStringLiteral("—");
        lines.append(QStringLiteral("| ") +
                     entry.dateTime().toLocalTime().toString(QStringLiteral("HH:mm:ss")) +
                     QStringLiteral(" | ") + markdownCell(entry.state) + QStringLiteral(" | ") + signal +
                     QStringLiteral(" | ") + markdownCell(entry.message) + QStringLiteral(" |"));
    }
    return lines.join(u'\n') + u'\n';
}

QString SessionLog::sessionMarkdown(const QList<LogEntry>& entries) {
    return sessionMarkdown(entries, QDateTime::currentDateTime());
}
