#include "router/RouterHttpSession.h"

#include "LoopbackHttpServer.h"
#include "TestCertificate.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// Error statuses and their headers come back as answers; the detector's and
// the adapters' tests read them.
class RouterHttpSessionTest : public ::testing::Test {
protected:
    std::optional<RouterHttpResult> exchange(const QUrl& url, std::chrono::milliseconds timeout = 5s,
                                             QList<QPair<QByteArray, QByteArray>> headers = {}) {
        std::optional<RouterHttpResult> result;
        session.send({"GET", url, std::move(headers), {}, timeout}, &context,
                     [&result](const RouterHttpResult& answer) { result = answer; });
        waitUntil([&result] { return result.has_value(); }, 30000);
        return result;
    }
    QObject context;
    RouterHttpSession session;
};

TEST_F(RouterHttpSessionTest, AcceptsTheRoutersCertificateKeepsOneConnectionAndNoCookie) {
    LoopbackHttpServer router(routerTls());
    router.respondWith(LoopbackHttpServer::reply(
        LoopbackHttpServer::answer(200, R"({"hardware":{}})", "Set-Cookie: TOKEN=fromServer; Path=/\r\n")));

    for (int poll = 0; poll < 2; ++poll) {
        const auto result = exchange(router.url(u"/api/system"_s));
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->error);
        EXPECT_EQ(result->body, R"({"hardware":{}})");
    }
    ASSERT_TRUE(exchange(router.url(), 5s, {{"Cookie", "TOKEN=explicit"}}));
    EXPECT_EQ(router.connections(), 1);
    // Sessions are the adapters' business: only the cookie they name goes out.
    ASSERT_EQ(router.requests().size(), 3);
    EXPECT_EQ(router.requests()[1].header("Cookie"), std::nullopt);
    EXPECT_EQ(router.requests()[2].header("Cookie"), "TOKEN=explicit");
}

TEST_F(RouterHttpSessionTest, AbortAllEndsRequestsInFlightAndAGoneContextGetsNoCompletion) {
    LoopbackHttpServer silentRouter(routerTls());
    std::optional<RouterHttpResult> result;
    session.send({"GET", silentRouter.url(), {}, {}, 5s}, &context,
                 [&result](const RouterHttpResult& answer) { result = answer; });
    bool called = false;
    auto caller = std::make_unique<QObject>();
    session.send({"GET", silentRouter.url(), {}, {}, 5s}, caller.get(),
                 [&called](const RouterHttpResult&) { called = true; });
    caller.reset();
    waitUntil([&silentRouter] { return silentRouter.requests().size() == 2; });

    session.abortAll();
    ASSERT_TRUE(waitUntil([&result] { return result.has_value(); }));
    EXPECT_EQ(result->error, RouterHttpError::network);
    waitUntil([] { return false; }, 200);
    EXPECT_FALSE(called);
}

void resetAfterPartialAnswer(QTcpSocket& socket) {
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n{\"clients\":");
    socket.flush();
    QTimer::singleShot(50, &socket, [&socket] {
        const linger resetOnClose{1, 0};
        setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
        socket.abort();
    });
}

// Ways a router fails to answer; each must end in its error, promptly.
TEST_F(RouterHttpSessionTest, EachFailureEndsInItsErrorWithinTheTimeout) {
    const auto failure = [&](const LoopbackHttpServer& server, const QString& scheme) {
        QUrl url = server.url();
        url.setScheme(scheme);
        QElapsedTimer clock;
        clock.start();
        const auto result = exchange(url, 400ms);
        EXPECT_LT(clock.elapsed(), 1400);
        return std::pair(result.value_or(RouterHttpResult()).error, clock.elapsed() >= 400);
    };
    auto closed = std::make_unique<LoopbackHttpServer>();
    const QUrl closedUrl = closed->url();
    closed.reset();
    EXPECT_EQ(exchange(closedUrl, 400ms).value_or(RouterHttpResult()).error, RouterHttpError::refused);
    LoopbackHttpServer silent(routerTls());
    EXPECT_EQ(failure(silent, u"https"_s), std::pair(std::optional(RouterHttpError::timeout), true));
    LoopbackHttpServer resetting(routerTls());
    resetting.respondWith(resetAfterPartialAnswer);
    EXPECT_EQ(failure(resetting, u"https"_s).first, RouterHttpError::network);
    LoopbackHttpServer plain;
    plain.greetWith(LoopbackHttpServer::answer(400, "plain"));
    EXPECT_EQ(failure(plain, u"https"_s).first, RouterHttpError::tls);
}

// The bound holds whether or not the router announces the length up front.
TEST_F(RouterHttpSessionTest, CutsOffAnswersBeyondSixteenMegabytes) {
    const auto answered = [&](qsizetype bodyBytes, bool announced) {
        LoopbackHttpServer router(routerTls());
        router.respondWith([=](QTcpSocket& socket) {
            const QByteArray body(bodyBytes, 'x');
            if (announced)
                return void(socket.write(LoopbackHttpServer::answer(200, body)));
            socket.write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
            socket.disconnectFromHost();
        });
        const RouterHttpResult result = exchange(router.url(), 20s).value_or(RouterHttpResult());
        return std::pair(result.error, result.body.size());
    };
    constexpr qsizetype limit = 16 * 1024 * 1024;
    EXPECT_EQ(answered(limit, true), std::pair(std::optional<RouterHttpError>(), limit));
    EXPECT_EQ(answered(limit + 1, true).first, RouterHttpError::tooLarge);
    EXPECT_EQ(answered(limit + 1, false).first, RouterHttpError::tooLarge);
}

} // namespace
