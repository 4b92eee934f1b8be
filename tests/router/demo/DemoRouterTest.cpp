#include "router/demo/DemoRouter.h"

#include "monitor/FakeClock.h"
#include "monitor/SignalModel.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <set>

namespace {

std::optional<RouterClient> clientNow(DemoRouter& router, const QString& mac) {
    std::optional<std::optional<RouterClient>> answer;
    router.fetchClient(mac, [&answer](std::optional<RouterClient> row) { answer = row; });
    EXPECT_FALSE(answer) << "answers later, as a real router does";
    QCoreApplication::processEvents();
    return answer.value_or(std::nullopt);
}

bool healthyNow(DemoRouter& router) {
    std::optional<bool> answer;
    router.probeRouterHealth([&answer](bool healthy) { answer = healthy; });
    QCoreApplication::processEvents();
    return answer.value_or(false);
}

// The script the demo and the screenshots play: a broken file is refused with
// a reason, and the built-in one walks each camera through every state and
// back, with a burst, while the router drops out once per loop.
TEST(DemoRouterTest, BuiltInScriptWalksEveryStateAndLoops) {
    for (const char* broken : {"{\"loopSeconds\": 60, \"cameras\": [{\"mac\": \"78:F5:05:00:00:01\", "
                               "\"scenes\": [{\"from\": 5}]}]}",
                               "{\"loopSeconds\": 0}", "{\"cameras\": ["}) {
        const DemoTimelineRead read = DemoTimeline::read(broken);
        EXPECT_FALSE(read.timeline) << broken;
        EXPECT_FALSE(read.error.isEmpty()) << broken;
    }

    const DemoTimeline timeline = DemoTimeline::builtIn();
    ASSERT_EQ(timeline.cameras.size(), 2);
    FakeClock clock;
    DemoRouter router(timeline, clock);
    EXPECT_EQ(router.gatewayOptions().value(0).ip, timeline.routerAddress);

    for (const DemoTimeline::Camera& camera : timeline.cameras) {
        std::set<SignalState> seen;
        int outages = 0;
        bool wasHealthy = true;
        std::uint64_t lastTx = 0;
        std::uint64_t largestStep = 0;
        std::uint64_t smallestStep = UINT64_MAX;
        const QDateTime start = clock.current;
        for (int second = 0; second < timeline.loopSeconds; ++second) {
            clock.current = start.addSecs(second);
            const bool healthy = healthyNow(router);
            outages += wasHealthy && !healthy;
            wasHealthy = healthy;
            const std::optional<RouterClient> row = clientNow(router, camera.mac.toLower());
            if (!healthy) {
                EXPECT_FALSE(row) << "an unreachable router lists nothing";
                continue;
            }
            if (!row) {
                seen.insert(SignalState::offline);
                continue;
            }
            seen.insert(isTwoPointFourBand(row->iface)
                            ? SignalState::critical
                            : classifySignal(row->rssi, static_cast<int>(row->txRate)).state);
            if (lastTx != 0 && row->txBytes > lastTx) {
                largestStep = std::max(largestStep, row->txBytes - lastTx);
                smallestStep = std::min(smallestStep, row->txBytes - lastTx);
            }
            EXPECT_GE(row->txBytes, lastTx) << "counters only grow";
            lastTx = row->txBytes;
        }
        EXPECT_EQ(seen, (std::set<SignalState>{SignalState::excellent, SignalState::marginal,
                                               SignalState::critical, SignalState::offline}))
            << camera.mac.toStdString();
        EXPECT_EQ(outages, 1);
        if (camera.band == QStringLiteral("5G")) {
            EXPECT_GT(largestStep, 10 * smallestStep) << "a burst of images";
        }

        // The next loop plays the same scene, the counters carrying on.
        clock.current = start.addSecs(timeline.loopSeconds + 3);
        const std::optional<RouterClient> again = clientNow(router, camera.mac);
        clock.current = start.addSecs(3);
        const std::optional<RouterClient> first = clientNow(router, camera.mac);
        ASSERT_TRUE(again && first);
        EXPECT_EQ(again->rssi, first->rssi);
        EXPECT_GT(again->txBytes, first->txBytes);
        clock.current = start;
    }
}

} // namespace
