#include "router/ssh/MasterStartBackoff.h"

#include <QList>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(MasterStartBackoff, FailedStartsPauseTheNextFiveSecondsDoublingToAMinuteUntilOneComesUp) {
    std::chrono::steady_clock::time_point clock{};
    MasterStartBackoff backoff([&] { return clock; });
    QList<int> startedAt;
    for (int second = 0; second <= 200; ++second, clock += 1s)
        backoff.attempt(false, [&] {
            startedAt.append(second);
            return false;
        });
    EXPECT_EQ(startedAt, (QList<int>{0, 5, 15, 35, 75, 135, 195}));
    EXPECT_TRUE(backoff.attempt(true, [] { return true; })) << "the user's start is never held back";
    EXPECT_TRUE(backoff.attempt(false, [] { return true; }));
}
