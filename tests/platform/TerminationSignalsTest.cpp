#include "platform/TerminationSignals.h"

#include "TestEnvironment.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

// Signals are sent to this thread only: it has them blocked, so they wait for the
// descriptor instead of ending the test process.
TEST(TerminationSignals, TermAndIntArriveAsOneQtSignalEachOnTheMainThread) {
    TerminationSignals signals;
    QSignalSpy spy(&signals, &TerminationSignals::terminationRequested);

    ASSERT_EQ(pthread_kill(pthread_self(), SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 1; }));
    ASSERT_EQ(pthread_kill(pthread_self(), SIGINT), 0);
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 2; }));

    EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(spy.at(1).at(0).toInt(), SIGINT);
}

} // namespace
