#pragma once

#include "logs/HistoryOutage.h"
#include "logs/HistoryReading.h"
#include "logs/HistorySource.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class Clock;
class HistoryDatabase;
class SettingsStore;

// The program's signal history. The monitor hands it every reading on the main
// thread, where it only joins a queue; every few seconds the queue goes to the
// history's own worker thread as one transaction. Reads for the window run on
// the same worker after the writes queued before them, so a window sees every
// reading up to its request. Main thread only, but for its worker.
class SignalHistory : public QObject, public HistorySource {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds batchInterval{5};
    // A pause in the readings longer than this starts a new stretch for "Since connect".
    static constexpr qint64 sessionGapMs = 60 * 1000;
    static constexpr int defaultHistoryDays = 365;

    // `path` empty: nothing is recorded (the system names no data folder).
    SignalHistory(QString path, const SettingsStore& settings, const Clock& clock);
    // Writes what is still queued and waits for the worker: a quit loses nothing.
    ~SignalHistory() override;

    void record(const HistoryReading& reading);
    void routerBecameUnreachable();
    void routerRecovered();
    // Hands the queue to the worker now rather than at the next batch.
    void flush();
    // Quitting: writes what is queued; false when the worker did not finish in time.
    bool endBackgroundWork(std::chrono::milliseconds deadline);

    void load(qint64 fromMs, qint64 toMs, QObject* receiver,
              std::function<void(HistorySnapshot)> done) override;
    std::optional<qint64> connectedSinceMs() const override { return sessionStart; }

    // Why recording stopped (a full disk, a database that cannot be opened);
    // empty while it records.
    QString stoppedReason() const { return stopReason; }

Q_SIGNALS:
    // Once, when recording stops for good in this run.
    void recordingStopped(const QString& reason);
    // A damaged database was moved to `path` and a new one started.
    void databaseSetAside(const QString& path);

private:
    struct Worker;

    int historyDays() const;
    void stop(const QString& reason);

    const SettingsStore& settings;
    const Clock& clock;
    std::shared_ptr<Worker> worker;
    // One thread, so that batches and reads run in the order they were asked.
    QThreadPool pool;
    QTimer batchTimer;
    QList<HistoryReading> queue;
    QList<HistoryOutage> outages;
    std::optional<HistoryOutage> currentOutage;
    std::optional<qint64> sessionStart;
    qint64 lastReadingMs = 0;
    bool recording = true;
    QString stopReason;
};
