#include "display/SignalChartPainter.h"
#include "logs/HistoryDatabase.h"
#include "logs/SignalChart.h"
#include "logs/SignalHistory.h"
#include "platform/Clock.h"
#include "settings/SettingsStore.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// The signal history's costs: what a poll pays on the main thread, what the
// worker pays per batch, how long the window's ranges take to read, lay out and
// paint, and how large two weeks of two cameras make the file.
namespace {

constexpr qint64 secondMs = 1000;
constexpr qint64 dayMs = 24 * 60 * 60 * secondMs;
const qint64 start = QDateTime(QDate(2026, 11, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();

HistoryReading readingAt(qint64 timeMs, TargetSlot slot) {
    HistoryReading reading;
    reading.timeMs = timeMs;
    reading.slot = slot;
    reading.mac =
        slot == TargetSlot::a ? QStringLiteral("aa:bb:cc:00:00:01") : QStringLiteral("aa:bb:cc:00:00:02");
    reading.name = slot == TargetSlot::a ? QStringLiteral("Z8 body one") : QStringLiteral("Z8 body two");
    // A sag every few minutes, so that the rows are not all alike.
    const int phase = static_cast<int>((timeMs / secondMs) % 300);
    reading.rssi = phase < 20 ? -82 : -58 - phase % 7;
    reading.rateMbps = phase < 20 ? 6 : 433 + phase % 3 * 100;
    reading.state = phase < 20 ? SignalState::critical : SignalState::excellent;
    reading.band = QStringLiteral("5 GHz");
    reading.accessPoint = phase < 150 ? QStringLiteral("Studio AP") : QStringLiteral("Hall AP");
    reading.lowestRssi = reading.highestRssi = reading.rssi;
    return reading;
}

// Two cameras at one reading a second for `days`, written as the worker would,
// and folded as it would.
std::unique_ptr<HistoryDatabase> filled(const QString& path, qint64 spanMs) {
    std::unique_ptr<HistoryDatabase> database = std::move(HistoryDatabase::open(path).database);
    QList<HistoryReading> batch;
    for (qint64 at = start; at < start + spanMs; at += secondMs) {
        batch << readingAt(at, TargetSlot::a) << readingAt(at, TargetSlot::b);
        if (batch.size() >= 20'000)
            database->write(std::exchange(batch, {}), {});
    }
    database->write(batch, {});
    database->applyRetention(start + spanMs, 365);
    return database;
}

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(start); }
};

void recordTwoTargets(benchmark::State& state) {
    QTemporaryDir folder;
    SettingsStore settings(folder.filePath(QStringLiteral("settings.json")));
    FixedClock clock;
    SignalHistory history(folder.filePath(QStringLiteral("history.sqlite3")), settings, clock);
    const HistoryReading a = readingAt(start, TargetSlot::a);
    const HistoryReading b = readingAt(start, TargetSlot::b);
    int polls = 0;
    for (auto _ : state) {
        history.record(a);
        history.record(b);
        // A batch's worth, handed over as the timer would.
        if (++polls % 5 == 0) {
            state.PauseTiming();
            history.flush();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(recordTwoTargets)->Unit(benchmark::kMicrosecond);

void writeBatch(benchmark::State& state) {
    QTemporaryDir folder;
    std::unique_ptr<HistoryDatabase> database =
        filled(folder.filePath(QStringLiteral("history.sqlite3")), dayMs);
    qint64 at = start + dayMs;
    for (auto _ : state) {
        QList<HistoryReading> batch;
        for (int second = 0; second < SignalHistory::batchInterval.count(); ++second, at += secondMs)
            batch << readingAt(at, TargetSlot::a) << readingAt(at, TargetSlot::b);
        database->write(batch, {});
    }
}
BENCHMARK(writeBatch)->Unit(benchmark::kMillisecond);

// What opening the window costs: the read on the worker, then the layout and
// painting of each chart at the window's size on the main thread.
void openWindow(benchmark::State& state, qint64 spanMs, qint64 filledMs) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history.sqlite3"));
    filled(path, filledMs);
    const std::unique_ptr<HistoryDatabase> reader =
        std::move(HistoryDatabase::open(path, HistoryDatabase::Access::readOnly).database);
    qsizetype rows = 0;
    QImage canvas(900, 300, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const HistorySnapshot snapshot = reader->snapshot(start + filledMs - spanMs, start + filledMs);
        rows = snapshot.readings.size();
        for (const TargetSlot slot : SignalChart::slotsIn(snapshot)) {
            QPainter painter(&canvas);
            SignalChartPainter::paint(
                painter,
                SignalChart::layout(snapshot, slot, SignalChart::chartTitle(snapshot, slot), canvas.size()));
        }
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["file MB"] =
        static_cast<double>(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size()) / 1e6;
}
BENCHMARK_CAPTURE(openWindow, eightHours, 8 * 60 * 60 * secondMs, 8 * 60 * 60 * secondMs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(openWindow, fourteenDays, 14 * dayMs, 14 * dayMs)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
