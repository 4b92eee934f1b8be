#include "app/NotificationCenter.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

const QString toggled = QStringLiteral("FloatingWindowToggled");

struct Delivery {
    std::optional<bool> object;
    QThread* thread = nullptr;
};

class NotificationCenterTest : public ::testing::Test {
protected:
    void record(QObject* owner, std::vector<Delivery>& into) {
        center.observe(toggled, owner, [&into](std::optional<bool> object) {
            into.push_back({object, QThread::currentThread()});
        });
    }

    void postFromWorker(const QString& name, std::optional<bool> object) {
        std::thread([this, name, object] { center.post(name, object); }).join();
    }

    NotificationCenter center;
};

class PayloadTest : public NotificationCenterTest,
                    public ::testing::WithParamInterface<std::optional<bool>> {};

TEST_P(PayloadTest, WorkerPostReachesObserverOnMainThread) {
    QObject owner;
    std::vector<Delivery> deliveries;
    record(&owner, deliveries);

    postFromWorker(toggled, GetParam());
    postFromWorker(QStringLiteral("DebugLoggingToggled"), true);
    ASSERT_TRUE(waitUntil([&] { return !deliveries.empty(); }));
    QCoreApplication::processEvents();

    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].object, GetParam());
    EXPECT_EQ(deliveries[0].thread, QCoreApplication::instance()->thread());
}

INSTANTIATE_TEST_SUITE_P(Payloads, PayloadTest,
                         ::testing::Values(std::optional<bool>(true), std::optional<bool>(false),
                                           std::nullopt),
                         [](const auto& info) {
                             return info.param ? (*info.param ? "newValueTrue" : "newValueFalse")
                                               : "noObject";
                         });

TEST_F(NotificationCenterTest, ObserverGoesAwayWithItsOwnerEvenWithADeliveryQueued) {
    auto doomed = std::make_unique<QObject>();
    QObject survivor;
    std::vector<Delivery> doomedDeliveries;
    std::vector<Delivery> survivorDeliveries;
    record(doomed.get(), doomedDeliveries);
    record(&survivor, survivorDeliveries);

    postFromWorker(toggled, false);
    doomed.reset();
    ASSERT_TRUE(waitUntil([&] { return survivorDeliveries.size() == 1; }));
    center.post(toggled, true);
    ASSERT_TRUE(waitUntil([&] { return survivorDeliveries.size() == 2; }));
    EXPECT_TRUE(doomedDeliveries.empty());
}

TEST(NotificationCenterSharedTest, FirstUseFromAWorkerStillLivesOnTheMainThread) {
    std::atomic<NotificationCenter*> fromWorker = nullptr;
    std::thread([&fromWorker] { fromWorker = &NotificationCenter::shared(); }).join();

    EXPECT_EQ(fromWorker.load(), &NotificationCenter::shared());
    EXPECT_EQ(NotificationCenter::shared().thread(), QCoreApplication::instance()->thread());

    QObject owner;
    std::optional<bool> received;
    NotificationCenter::shared().observe(toggled, &owner,
                                         [&received](std::optional<bool> object) { received = object; });
    std::thread([] { NotificationCenter::shared().post(toggled, true); }).join();
    EXPECT_TRUE(waitUntil([&] { return received == true; }));
}

} // namespace
