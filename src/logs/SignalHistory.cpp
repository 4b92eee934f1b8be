#include "logs/SignalHistory.h"

#include "logs/HistoryDatabase.h"
#include "platform/Clock.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <malloc.h>

namespace {

constexpr qint64 retentionIntervalMs = 60 * 1000;
constexpr int shutdownWaitMs = 5000;

template <typename Function> void onMainThread(Function&& function) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Function>(function),
                              Qt::QueuedConnection);
}

} // namespace

// What the worker thread alone touches.
struct SignalHistory::Worker {
    QString path;
    std::unique_ptr<HistoryDatabase> database;
    qint64 lastRetentionMs = 0;

    // Opens on first use, so that a history that is never written or read
    // creates no file. Returns the error, and where a damaged file went.
    std::pair<QString, QString> ensureOpen() {
        if (database)
            return {};
        HistoryDatabase::Opened opened = HistoryDatabase::open(path);
        database = std::move(opened.database);
        return {opened.error, opened.setAsidePath};
    }

    // Between batches the worker holds nothing: SQLite's pages go back to the
    // heap, and the heap's free pages (glibc keeps them in this thread's own
    // arena otherwise) back to the system.
    void releaseMemory() {
        if (database)
            database->releaseMemory();
        ::malloc_trim(0);
    }
};

SignalHistory::SignalHistory(QString path, const SettingsStore& settings, const Clock& clock)
    : settings(settings)
    , clock(clock)
    , worker(std::make_shared<Worker>()) {
    worker->path = std::move(path);
    pool.setMaxThreadCount(1);
    if (worker->path.isEmpty())
        stop(QStringLiteral("the system names no data folder"));
    batchTimer.setTimerType(Qt::VeryCoarseTimer);
    batchTimer.setInterval(batchInterval);
    connect(&batchTimer, &QTimer::timeout, this, &SignalHistory::flush);
}

SignalHistory::~SignalHistory() {
    flush();
    pool.waitForDone(shutdownWaitMs);
}

bool SignalHistory::endBackgroundWork(std::chrono::milliseconds deadline) {
    flush();
    return pool.waitForDone(static_cast<int>(deadline.count()));
}

int SignalHistory::historyDays() const {
    return settings.readInt(SettingsKey::historyDays).value_or(defaultHistoryDays);
}

void SignalHistory::record(const HistoryReading& reading) {
    if (!recording)
        return;
    if (!sessionStart || reading.timeMs - lastReadingMs > sessionGapMs)
        sessionStart = reading.timeMs;
    lastReadingMs = reading.timeMs;
    queue.append(reading);
    // The timer runs only while there is something to write: an idle tray
    // does not wake for the history.
    if (!batchTimer.isActive())
        batchTimer.start();
}

void SignalHistory::routerBecameUnreachable() {
    if (!recording || currentOutage)
        return;
    const qint64 now = clock.now().toMSecsSinceEpoch();
    currentOutage = HistoryOutage{now, now, QStringLiteral("Router unreachable")};
    flush();
}

void SignalHistory::routerRecovered() {
    if (!currentOutage)
        return;
    currentOutage->endMs = clock.now().toMSecsSinceEpoch();
    outages.append(*std::exchange(currentOutage, std::nullopt));
    flush();
}

void SignalHistory::flush() {
    batchTimer.stop();
    if (!recording)
        return;
    const qint64 now = clock.now().toMSecsSinceEpoch();
    if (currentOutage) {
        // An outage is written again at every batch with the time it has lasted
        // so far, so that a program killed during one leaves it on disk with an
        // end no more than a batch early.
        currentOutage->endMs = now;
        outages.append(*currentOutage);
        batchTimer.start();
    }
    if (queue.isEmpty() && outages.isEmpty())
        return;
    const int days = historyDays();
    if (days <= 0) {
        // Turned off: what was queued before is not written either.
        queue.clear();
        outages.clear();
        return;
    }
    pool.start([worker = worker, readings = std::exchange(queue, {}), outages = std::exchange(outages, {}),
                now, days, self = QPointer(this)] {
        // Named copies: a lambda cannot capture the names of a structured binding
        // with every compiler the project builds with.
        const std::pair<QString, QString> opened = worker->ensureOpen();
        QString error = opened.first;
        const QString setAside = opened.second;
        bool full = false;
        if (worker->database) {
            if (const auto written = worker->database->write(readings, outages))
                error = *written;
            else if (now - worker->lastRetentionMs >= retentionIntervalMs) {
                worker->lastRetentionMs = now;
                if (const auto kept = worker->database->applyRetention(now, days))
                    error = *kept;
            }
            full = worker->database->diskFull();
        }
        worker->releaseMemory();
        if (error.isEmpty() && setAside.isEmpty())
            return;
        onMainThread([self, error, setAside, full] {
            if (!self)
                return;
            if (!setAside.isEmpty())
                Q_EMIT self->databaseSetAside(setAside);
            if (full)
                self->stop(QStringLiteral("the disk is full"));
            else if (!error.isEmpty())
                self->stop(error);
        });
    });
}

void SignalHistory::stop(const QString& reason) {
    if (!recording)
        return;
    recording = false;
    stopReason = reason;
    queue.clear();
    outages.clear();
    batchTimer.stop();
    Q_EMIT recordingStopped(reason);
}

void SignalHistory::load(qint64 fromMs, qint64 toMs, QObject* receiver,
                         std::function<void(HistorySnapshot)> done) {
    flush();
    pool.start([worker = worker, fromMs, toMs, receiver = QPointer(receiver), done = std::move(done)] {
        HistorySnapshot snapshot{fromMs, toMs, false, {}, {}};
        // With recording off and nothing ever written there is nothing to read,
        // and no reason to create a file.
        if (worker->database || QFileInfo::exists(worker->path)) {
            worker->ensureOpen();
            if (worker->database)
                snapshot = worker->database->snapshot(fromMs, toMs);
            worker->releaseMemory();
        }
        onMainThread([receiver, done, snapshot = std::move(snapshot)] {
            if (receiver)
                done(snapshot);
        });
    });
}
