#include "MonitorTestBench.h"
#include "settings/NotificationCenter.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

// Router answers come on threads of their own; only the main thread may touch
// the monitor's state.
class WiFiMonitorThreadsTest : public ::testing::Test, protected MonitorTestBench {
protected:
    void SetUp() override {
        followTargets(laptopMAC, cameraMAC);
        setRow(laptopMAC, -50);
        setRow(cameraMAC, -80);
        router.holdFetches = true;
        router.holdProbes = true;
    }

    // Answers every held fetch and probe, each from its own thread.
    void answerFromWorkers(bool healthy) {
        std::vector<std::thread> workers;
        for (FakeRouterService::PendingFetch& fetch : router.pendingFetches)
            workers.emplace_back([&fetch, row = router.row(fetch.mac)] { fetch.completion(row); });
        for (RouterService::HealthCompletion& probe : router.pendingProbes)
            workers.emplace_back([&probe, healthy] { probe(healthy); });
        for (std::thread& worker : workers)
            worker.join();
        router.pendingFetches.clear();
        router.pendingProbes.clear();
    }
};

TEST_F(WiFiMonitorThreadsTest, RowsFromWorkerThreadsReachBothTargetsOnTheMainThread) {
    monitor->pollTick();
    answerFromWorkers(true);

    ASSERT_TRUE(waitUntil([this] { return menu.targets.size() == 2; }));
    EXPECT_EQ(targetA().currentState(), SignalState::excellent);
    EXPECT_EQ(targetB().currentState(), SignalState::critical);
}

TEST_F(WiFiMonitorThreadsTest, ProbeFailuresFromWorkerThreadsDeclareTheRouterUnreachable) {
    monitor->healthTick();
    monitor->healthTick();
    answerFromWorkers(false);

    EXPECT_TRUE(waitUntil([this] { return monitor->routerIsDown(); }));
}

TEST_F(WiFiMonitorThreadsTest, AnswersRacingADisconnectNeverReachTheTargets) {
    monitor->pollTick();
    std::vector<FakeRouterService::PendingFetch> stale = std::move(router.pendingFetches);
    router.pendingFetches.clear();
    std::thread worker([&stale, this] {
        for (FakeRouterService::PendingFetch& fetch : stale)
            fetch.completion(router.row(fetch.mac));
    });
    NotificationCenter::shared().post(NotificationName::veltranoDisconnect);
    worker.join();
    QCoreApplication::processEvents();

    EXPECT_TRUE(menu.targets.isEmpty());
}

TEST_F(WiFiMonitorThreadsTest, AnAnswerForAMonitorThatIsGoneIsDropped) {
    monitor->pollTick();
    monitor.reset();
    answerFromWorkers(true);
    QCoreApplication::processEvents();

    EXPECT_TRUE(menu.targets.isEmpty());
}

} // namespace
