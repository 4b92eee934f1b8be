#include "settings/NotificationCenter.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

const QString toggled = QStringLiteral("FloatingWindowToggled");

// The shared center, first touched from a worker, still lives on the main thread;
// only the observed name arrives there, and an observer whose owner is gone gets
// nothing even with a delivery already queued.
TEST(NotificationCenterTest, WorkerPostsReachLiveObserversOnTheMainThread) {
    std::atomic<NotificationCenter*> fromWorker = nullptr;
    std::thread([&fromWorker] { fromWorker = &NotificationCenter::shared(); }).join();
    NotificationCenter& center = *fromWorker;
    EXPECT_EQ(center.thread(), QCoreApplication::instance()->thread());

    auto doomed = std::make_unique<QObject>();
    QObject survivor;
    std::vector<std::optional<bool>> doomedDeliveries;
    std::vector<std::optional<bool>> deliveries;
    for (auto [owner, into] : {std::pair(doomed.get(), &doomedDeliveries), std::pair(&survivor, &deliveries)})
        center.observe(toggled, owner, [into = into](std::optional<bool> object) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            into->push_back(object);
        });
    std::thread([&center] {
        center.post(toggled, std::nullopt);
        center.post(QStringLiteral("DebugLoggingToggled"), true);
        center.post(toggled, false);
    }).join();
    doomed.reset();
    ASSERT_TRUE(waitUntil([&] { return deliveries.size() == 2; }));
    QCoreApplication::processEvents();

    EXPECT_EQ(deliveries, (std::vector<std::optional<bool>>{std::nullopt, false}));
    EXPECT_TRUE(doomedDeliveries.empty());
}

} // namespace
