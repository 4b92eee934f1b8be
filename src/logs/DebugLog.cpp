#include "logs/DebugLog.h"

#include "logs/MarkdownCell.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

DebugLog::DebugLog(QObject* parent)
    : QObject(parent) {
    if (!parent && QCoreApplication::instance())
        moveToThread(QCoreApplication::instance()->thread());
}

DebugLog& DebugLog::shared() {
    static DebugLog* const log = new DebugLog;
    return *log;
}

void DebugLog::setEntries(QList<DebugEntry> entries) {
    if (entries.size() > capacity)
        entries.remove(0, entries.size() - capacity);
    recorded = std::move(entries);
}

void DebugLog::log(const QString& level, VtCode code, const QString& detail) {
    // UTC is cheap to take here; the export shows local time.
    DebugEntry entry{QDateTime::currentDateTimeUtc(), level, code, detail};
    if (QThread::currentThread() == thread()) {
        append(std::move(entry));
        return;
    }

    bool wakeMainThread = false;
    {
        const std::lock_guard lock(handOverMutex);
        // Whoever finds the hand-over empty wakes the main thread; later entries
        // ride along with that wake-up. Anything beyond the capacity would be
        // dropped on arrival anyway, so it is dropped here and a stalled main
        // thread cannot make the queue grow without bound.
        wakeMainThread = handedOver.isEmpty();
        handedOver.append(std::move(entry));
        if (handedOver.size() > capacity)
            handedOver.removeFirst();
    }
    // Queued to this object: if it is destroyed first, Qt discards the call.
    if (wakeMainThread)
        QMetaObject::invokeMethod(this, "takeHandedOver", Qt::QueuedConnection);
}

void DebugLog::takeHandedOver() {
    QList<DebugEntry> arrived;
    {
        const std::lock_guard lock(handOverMutex);
        arrived.swap(handedOver);
    }
    for (DebugEntry& entry : arrived)
        append(std::move(entry));
}

void DebugLog::append(DebugEntry entry) {
    if (recorded.size() >= capacity)
        recorded.remove(0, recorded.size() - capacity + 1);
    recorded.append(std::move(entry));
}

QString debugMarkdown(const QList<DebugEntry>& entries, const QDateTime& savedAt) {
    QStringList lines = {
        QStringLiteral("# Veltrano Debug Log"),
        QString(),
        QStringLiteral("*Saved: ") + savedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
            QStringLiteral("*"),
        QString(),
        QStringLiteral("| Time | Level | Code | Detail |"),
        QStringLiteral("|------|-------|------|--------|"),
    };
    for (const DebugEntry& entry : entries) {
        const QString detail = entry.detail.isEmpty() ? QStringLiteral("\u2014") : markdownCell(entry.detail);
        lines.append(QStringLiteral("| ") +
                     entry.timestamp.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
                     QStringLiteral(" | ") + entry.level + QStringLiteral(" | ") + rawValue(entry.code) +
                     QStringLiteral(" | ") + detail + QStringLiteral(" |"));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString debugMarkdown(const QList<DebugEntry>& entries) {
    return debugMarkdown(entries, QDateTime::currentDateTime());
}
