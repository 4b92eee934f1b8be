// Main-thread time of one router-mode poll with two targets whose router answers
// at once: the poll itself and the hand-over of both answers.
#include "monitor/MonitorTestBench.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

void routerPollWithTwoTargets(benchmark::State& state, int rssiA, int rssiB) {
    MonitorTestBench bench;
    bench.followTargets(MonitorTestBench::laptopMAC, MonitorTestBench::cameraMAC);
    bench.setRow(MonitorTestBench::laptopMAC, rssiA);
    bench.setRow(MonitorTestBench::cameraMAC, rssiB);
    bench.poll();
    for (auto _ : state) {
        bench.monitor->pollTick();
        QCoreApplication::sendPostedEvents();
    }
}

// Both steady, and both alerting (the flash timers run; the titles are rebuilt).
BENCHMARK_CAPTURE(routerPollWithTwoTargets, steady, -50, -52)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(routerPollWithTwoTargets, alerting, -72, -80)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
