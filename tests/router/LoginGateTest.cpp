#include "router/LoginGate.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The attempts the gate let out, each waiting for the test to finish it.
struct Router {
    QList<LoginGate::Finish> logins;
    LoginGate::Attempt attempt() {
        return [this](LoginGate::Finish finish) { logins.append(std::move(finish)); };
    }
};

struct Gate {
    QObject context;
    std::chrono::steady_clock::time_point clock{};
    LoginGate gate{context, [this] { return clock; }};
    Router router;
    QList<bool> heard;

    void logIn(const QString& address, bool userAsked = false) {
        gate.logIn(address, userAsked, router.attempt(),
                   [this](const LoginGate::Outcome& outcome) { heard.append(outcome.success); });
    }
};

const LoginGate::Outcome refused{false, u"Authentication failed"_s, true};

} // namespace

TEST(LoginGate, CallersShareTheLoginOutAndARefusalPausesAutomaticLogins) {
    Gate g;
    g.logIn(u"10.0.0.1"_s);
    g.logIn(u"10.0.0.1"_s);
    ASSERT_EQ(g.router.logins.size(), 1);
    g.router.logins.takeFirst()(refused);
    EXPECT_EQ(g.heard, (QList<bool>{false, false}));

    g.clock += LoginGate::rejectionPause - 1s;
    g.logIn(u"10.0.0.1"_s);
    QCoreApplication::processEvents();
    EXPECT_TRUE(g.router.logins.isEmpty()) << "a poll within the pause sends nothing";
    EXPECT_EQ(g.heard.size(), 3);
    EXPECT_EQ(g.gate.refusalMessage(u"10.0.0.1"_s), refused.message) << "the picker's reason";
    EXPECT_EQ(g.gate.refusalMessage(u"10.0.0.2"_s), std::nullopt);
    g.logIn(u"10.0.0.2"_s);
    EXPECT_EQ(g.router.logins.size(), 1) << "the pause belongs to the refusing address";
    g.router.logins.takeFirst()({true, std::nullopt, false});

    g.logIn(u"10.0.0.1"_s, true);
    EXPECT_EQ(g.router.logins.size(), 1) << "the user's connect goes out and lifts the pause";
    EXPECT_EQ(g.gate.refusalMessage(u"10.0.0.1"_s), std::nullopt);
    g.router.logins.takeFirst()({true, std::nullopt, false});
    g.clock += 2s;
    g.logIn(u"10.0.0.1"_s);
    EXPECT_EQ(g.router.logins.size(), 1);
}

TEST(LoginGate, AResetOrANewAddressAbandonsTheLoginOut) {
    Gate g;
    g.logIn(u"10.0.0.1"_s);
    g.gate.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(g.heard, QList<bool>{false});
    g.router.logins.takeFirst()({true, std::nullopt, false});
    EXPECT_EQ(g.heard, QList<bool>{false}) << "the abandoned login's outcome is dropped";

    g.logIn(u"10.0.0.1"_s);
    g.logIn(u"10.0.0.2"_s);
    QCoreApplication::processEvents();
    ASSERT_EQ(g.router.logins.size(), 2);
    g.router.logins.takeFirst()(refused);
    g.router.logins.takeFirst()({true, std::nullopt, false});
    EXPECT_EQ(g.heard, (QList<bool>{false, false, true}));
    g.logIn(u"10.0.0.1"_s);
    EXPECT_EQ(g.router.logins.size(), 1) << "a refusal from an abandoned login pauses nothing";
}
