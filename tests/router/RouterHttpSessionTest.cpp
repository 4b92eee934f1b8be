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
    void SetUp() override { ASSERT_TRUE(routerTls()) << "openssl could not make a test certificate"; }

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
    const struct {
        const char* name;
        bool tls;
        // Prepares the server; false leaves nobody listening on its port.
        std::function<bool(LoopbackHttpServer&)> arrange;
        RouterHttpError expected;
    } rows[] = {
        {"closedPort", false, [](LoopbackHttpServer&) { return false; }, RouterHttpError::refused},
        {"silentRouter", true, [](LoopbackHttpServer&) { return true; }, RouterHttpError::timeout},
        {"resetMidAnswer", true,
         [](LoopbackHttpServer& server) {
             server.respondWith(resetAfterPartialAnswer);
             return true;
         },
         RouterHttpError::network},
        {"plainBytesWhereTlsWasExpected", false,
         [](LoopbackHttpServer& server) {
             server.greetWith(LoopbackHttpServer::answer(400, "plain"));
             return true;
         },
         RouterHttpError::tls},
    };
    for (const auto& row : rows) {
        auto server = std::make_unique<LoopbackHttpServer>(row.tls ? routerTls() : std::nullopt);
        QUrl url = server->url();
        if (!row.arrange(*server))
            server.reset();
        url.setScheme(row.tls || row.expected == RouterHttpError::tls ? u"https"_s : u"http"_s);
        QElapsedTimer clock;
        clock.start();

        const auto result = exchange(url, 400ms);
        ASSERT_TRUE(result) << row.name;
        EXPECT_EQ(result->error, row.expected) << row.name;
        EXPECT_LT(clock.elapsed(), 1400) << row.name;
        if (row.expected == RouterHttpError::timeout) {
            EXPECT_GE(clock.elapsed(), 400);
        }
    }
}

// The bound holds whether or not the router announces the length up front.
TEST_F(RouterHttpSessionTest, CutsOffAnswersBeyondSixteenMegabytes) {
    constexpr qsizetype megabyte = 1024 * 1024;
    const struct {
        qsizetype bodyBytes;
        bool announced;
        std::optional<RouterHttpError> expected;
    } rows[] = {{16 * megabyte, true, std::nullopt},
                {16 * megabyte + 1, true, RouterHttpError::tooLarge},
                {16 * megabyte + 1, false, RouterHttpError::tooLarge}};
    for (const auto& row : rows) {
        LoopbackHttpServer router(routerTls());
        router.respondWith([&row](QTcpSocket& socket) {
            const QByteArray body(row.bodyBytes, 'x');
            if (row.announced) {
                socket.write(LoopbackHttpServer::answer(200, body));
            } else {
                socket.write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
                socket.disconnectFromHost();
            }
        });

        const auto result = exchange(router.url(), 20s);
        ASSERT_TRUE(result) << row.bodyBytes;
        EXPECT_EQ(result->error, row.expected) << row.bodyBytes << " announced " << row.announced;
        if (!row.expected) {
            EXPECT_EQ(result->body.size(), row.bodyBytes);
        }
    }
}

} // namespace
