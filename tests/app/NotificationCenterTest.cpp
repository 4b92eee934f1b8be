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

// Only the observed name arrives, with its object as posted, on the main thread.
TEST_F(NotificationCenterTest, WorkerPostsReachTheObserverOnTheMainThread) {
    QObject owner;
    std::vector<Delivery> deliveries;
    record(&owner, deliveries);

    const std::vector<std::optional<bool>> objects{true, false, std::nullopt};
    for (const std::optional<bool>& object : objects) {
        postFromWorker(toggled, object);
        postFromWorker(QStringLiteral("DebugLoggingToggled"), true);
    }
    ASSERT_TRUE(waitUntil([&] { return deliveries.size() == objects.size(); }));
    QCoreApplication::processEvents();

    ASSERT_EQ(deliveries.size(), objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(deliveries[i].object, objects[i]);
        EXPECT_EQ(deliveries[i].thread, QCoreApplication::instance()->thread());
    }
}

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
