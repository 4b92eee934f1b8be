#include "router/ssh/MasterStartBackoff.h"

#include <QList>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using MasterStart = SshTransport::MasterStart;

// The seconds of the first 200 at which a master that keeps ending with `outcome` is started.
QList<int> startsFailingWith(MasterStart outcome) {
    std::chrono::steady_clock::time_point clock{};
    MasterStartBackoff backoff([&] { return clock; });
    QList<int> startedAt;
    for (int second = 0; second <= 200; ++second, clock += 1s)
        backoff.attempt(false, [&] {
            startedAt.append(second);
            return outcome;
        });
    return startedAt;
}

} // namespace

// A router that turns the login down is asked ever more rarely; one that does
// not answer at all (rebooting, sshd down) costs no login and is asked again
// every 10 s, so that it is reached soon after it answers.
TEST(MasterStartBackoff, RefusalsPauseFiveSecondsDoublingToAMinuteSilenceAtMostTenUntilOneComesUp) {
    EXPECT_EQ(startsFailingWith(MasterStart::passwordRefused), (QList<int>{0, 5, 15, 35, 75, 135, 195}));
    EXPECT_EQ(startsFailingWith(MasterStart::hostKeyChanged).size(), 7);
    EXPECT_EQ(startsFailingWith(MasterStart::failed).mid(0, 5), (QList<int>{0, 5, 15, 25, 35}));

    std::chrono::steady_clock::time_point clock{};
    MasterStartBackoff backoff([&] { return clock; });
    EXPECT_EQ(backoff.attempt(false, [] { return MasterStart::passwordRefused; }),
              MasterStart::passwordRefused);
    EXPECT_EQ(backoff.attempt(false, [] { return MasterStart::up; }), MasterStart::failed) << "held back";
    EXPECT_EQ(backoff.attempt(true, [] { return MasterStart::up; }), MasterStart::up)
        << "the user's start is never held back";
    EXPECT_EQ(backoff.attempt(false, [] { return MasterStart::up; }), MasterStart::up);
}
