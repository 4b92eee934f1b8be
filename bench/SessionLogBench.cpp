#include "logs/SessionLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

LogEntry stateEntry(double timestamp) {
    return {timestamp, QStringLiteral("Marginal"), -71, 38,
            QStringLiteral("A · Signal marginal — move closer to router")};
}

// The worst case of an append: the log is full, so every append trims and
// rewrites all 5,000 entries.
void sessionLogAppendWhenFull(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("session_log.json"));
    QList<LogEntry> full;
    for (int index = 0; index < SessionLog::maximumEntries; ++index)
        full.append(stateEntry(736'000'000.0 + index * 1.37));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(LogEntry::encodeList(full)) < 0) {
        state.SkipWithError("cannot write the starting file");
        return;
    }
    file.close();

    SessionLog log(path);
    if (log.entries().size() != SessionLog::maximumEntries) {
        state.SkipWithError("the log did not load full");
        return;
    }
    double timestamp = 737'000'000.0;
    for (auto _ : state)
        log.append(stateEntry(timestamp += 1.0));
}
BENCHMARK(sessionLogAppendWhenFull)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
