// Cost of one debug-log event on the thread that logs it. The benchmarks run on
// a worker thread while the main thread runs the application's event loop, as
// router and SSH work does, so every event takes the cross-thread hand-over.

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <thread>

namespace {

DebugLog* debugLog = nullptr;

class SilentSystemLog : public SystemLog {
public:
    void write(SystemLogLevel, const QString&, VtCode) override {}
};

void debugLogFromBackgroundThread(benchmark::State& state) {
    const QString level = QStringLiteral("DEBUG");
    const QString detail = QStringLiteral("A rssi:-61 rate:866.7 tx:123456789 rx:987654321");
    for (auto _ : state)
        debugLog->log(level, VtCode::bandwidthSample, detail);
}
BENCHMARK(debugLogFromBackgroundThread);

void logDebugWithDebugLoggingOn(benchmark::State& state) {
    QTemporaryDir folder;
    SettingsStore settings(folder.filePath(QStringLiteral("settings.json")));
    settings.writeBool(SettingsKey::debugLogging, true);
    SilentSystemLog systemLog;
    EventLogger logger(systemLog, settings, *debugLog);
    const QString detail = QStringLiteral("A rssi:-61 rate:866.7 tx:123456789 rx:987654321");
    for (auto _ : state)
        logger.logDebug(VtCode::bandwidthSample, detail);
}
BENCHMARK(logDebugWithDebugLoggingOn);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    DebugLog log;
    debugLog = &log;

    std::thread worker([&app] {
        benchmark::RunSpecifiedBenchmarks();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    // Drains the hand-over while the benchmarks run; the log keeps its newest
    // 2,000 entries, so memory stays flat however long they run.
    app.exec();
    worker.join();
    benchmark::Shutdown();
    return 0;
}
