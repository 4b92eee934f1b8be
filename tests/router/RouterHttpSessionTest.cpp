#include "router/RouterHttpSession.h"

#include "LoopbackHttpServer.h"
#include "TestCertificate.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace std::chrono_literals;

namespace {

class RouterHttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(routerTls()) << "openssl could not make a test certificate"; }

    std::optional<RouterHttpResult> exchange(const RouterHttpRequest& request, int waitMs = 10000) {
        std::optional<RouterHttpResult> result;
        session.send(request, &context, [&result](const RouterHttpResult& answer) { result = answer; });
        waitUntil([&result] { return result.has_value(); }, waitMs);
        return result;
    }
    static RouterHttpRequest get(const QUrl& url, std::chrono::milliseconds timeout = 5s) {
        return {"GET", url, {}, {}, timeout};
    }
    QObject context;
    RouterHttpSession session;
};

QByteArray headerOf(const RouterHttpResult& result, const QByteArray& name) {
    for (const auto& [key, value] : result.headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

TEST_F(RouterHttpSessionTest, AcceptsTheRoutersCertificateAndKeepsOneConnection) {
    LoopbackHttpServer router(routerTls());
    router.respondWith(
        [](QTcpSocket& socket) { socket.write(LoopbackHttpServer::answer(200, R"({"hardware":{}})")); });

    for (int poll = 0; poll < 3; ++poll) {
        const auto result = exchange(get(router.url(QStringLiteral("/api/system"))));
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->error);
        EXPECT_EQ(result->status, 200);
        EXPECT_EQ(result->body, R"({"hardware":{}})");
    }
    EXPECT_EQ(router.connections(), 1);
}

TEST_F(RouterHttpSessionTest, ErrorStatusOverPlainHttpIsAnAnswerWithItsHeadersAndBody) {
    LoopbackHttpServer router;
    router.respondWith([](QTcpSocket& socket) {
        socket.write(
            LoopbackHttpServer::answer(401, "denied", "WWW-Authenticate: Bearer realm=\"Peplink\"\r\n"));
    });

    const auto result = exchange({"POST",
                                  router.url(QStringLiteral("/rpc")),
                                  {{"Content-Type", "application/json"}},
                                  R"({"id":1})",
                                  5s});

    ASSERT_TRUE(result);
    EXPECT_EQ(result->answeredStatus(), 401);
    EXPECT_EQ(result->body, "denied");
    EXPECT_EQ(headerOf(*result, "www-authenticate"), "Bearer realm=\"Peplink\"");
    ASSERT_EQ(router.requestHeads().size(), 1);
    EXPECT_TRUE(router.requestHeads().first().startsWith("POST /rpc HTTP/1.1"));
    EXPECT_TRUE(router.requestHeads().first().contains("Content-Type: application/json"));
}

TEST_F(RouterHttpSessionTest, KeepsNoCookieAndSendsOnlyTheExplicitOne) {
    LoopbackHttpServer router(routerTls());
    router.respondWith([](QTcpSocket& socket) {
        socket.write(LoopbackHttpServer::answer(200, "{}", "Set-Cookie: TOKEN=fromServer; Path=/\r\n"));
    });

    const auto login = exchange(get(router.url(QStringLiteral("/api/auth/login"))));
    ASSERT_TRUE(login);
    EXPECT_TRUE(headerOf(*login, "Set-Cookie").startsWith("TOKEN=fromServer"));
    ASSERT_TRUE(exchange(get(router.url())));
    ASSERT_TRUE(exchange({"GET", router.url(), {{"Cookie", "TOKEN=explicit"}}, {}, 5s}));

    ASSERT_EQ(router.requestHeads().size(), 3);
    EXPECT_FALSE(router.requestHeads()[1].toLower().contains("cookie"));
    EXPECT_TRUE(router.requestHeads()[2].contains("Cookie: TOKEN=explicit"));
    EXPECT_FALSE(router.requestHeads()[2].contains("fromServer"));
}

TEST_F(RouterHttpSessionTest, AbortAllEndsRequestsInFlightWithAnError) {
    LoopbackHttpServer silentRouter(routerTls());
    std::optional<RouterHttpResult> result;
    session.send(get(silentRouter.url()), &context,
                 [&result](const RouterHttpResult& answer) { result = answer; });
    waitUntil([&silentRouter] { return silentRouter.requestHeads().size() == 1; });

    session.abortAll();

    ASSERT_TRUE(waitUntil([&result] { return result.has_value(); }));
    EXPECT_EQ(result->error, RouterHttpError::network);
}

TEST_F(RouterHttpSessionTest, NoCompletionOnceTheContextIsGone) {
    LoopbackHttpServer router;
    router.respondWith([](QTcpSocket& socket) { socket.write(LoopbackHttpServer::answer(200, "{}")); });
    bool called = false;
    auto caller = std::make_unique<QObject>();
    session.send(get(router.url()), caller.get(), [&called](const RouterHttpResult&) { called = true; });

    caller.reset();

    waitUntil([&router] { return router.requestHeads().size() == 1; });
    waitUntil([] { return false; }, 200);
    EXPECT_FALSE(called);
}

// Ways a router fails to answer; each must end in its error, promptly.
struct FailureRow {
    const char* name;
    bool tls;
    // Prepares the server; false leaves nobody listening on its port.
    std::function<bool(LoopbackHttpServer&)> arrange;
    RouterHttpError expected;
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << row.name;
}

class RouterHttpFailureTest : public RouterHttpSessionTest,
                              public ::testing::WithParamInterface<FailureRow> {};

void resetAfterPartialAnswer(QTcpSocket& socket) {
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n{\"clients\":");
    socket.flush();
    QTimer::singleShot(50, &socket, [&socket] {
        const linger resetOnClose{1, 0};
        setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
        socket.abort();
    });
}

const FailureRow failureRows[] = {
    {"ClosedPortIsRefused", false, [](LoopbackHttpServer&) { return false; }, RouterHttpError::refused},
    {"SilentRouterTimesOut", true, [](LoopbackHttpServer&) { return true; }, RouterHttpError::timeout},
    {"ResetMidAnswerIsANetworkError", true,
     [](LoopbackHttpServer& server) {
         server.respondWith(resetAfterPartialAnswer);
         return true;
     },
     RouterHttpError::network},
    {"PlainBytesWhereTlsWasExpected", false,
     [](LoopbackHttpServer& server) {
         server.greetWith(LoopbackHttpServer::answer(400, "plain"));
         return true;
     },
     RouterHttpError::tls},
};

TEST_P(RouterHttpFailureTest, EndsInItsErrorWithinTheTimeout) {
    const FailureRow& row = GetParam();
    auto server = std::make_unique<LoopbackHttpServer>(row.tls ? routerTls() : std::nullopt);
    QUrl url = server->url();
    if (!row.arrange(*server))
        server.reset();
    url.setScheme(row.tls || row.expected == RouterHttpError::tls ? QStringLiteral("https")
                                                                  : QStringLiteral("http"));
    constexpr auto timeout = 400ms;
    QElapsedTimer clock;
    clock.start();

    const auto result = exchange(get(url, timeout));

    ASSERT_TRUE(result) << "no completion";
    EXPECT_EQ(result->error, row.expected);
    EXPECT_LT(clock.elapsed(), timeout.count() + 1000);
    if (row.expected == RouterHttpError::timeout) {
        EXPECT_GE(clock.elapsed(), timeout.count());
    }
}

INSTANTIATE_TEST_SUITE_P(Router, RouterHttpFailureTest, ::testing::ValuesIn(failureRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The bound holds whether or not the router announces the length up front.
struct SizeRow {
    const char* name;
    qsizetype bodyBytes;
    bool announced;
    std::optional<RouterHttpError> expected;
};

void PrintTo(const SizeRow& row, std::ostream* out) {
    *out << row.name;
}

class RouterHttpSizeTest : public RouterHttpSessionTest, public ::testing::WithParamInterface<SizeRow> {};

constexpr qsizetype megabyte = 1024 * 1024;
const SizeRow sizeRows[] = {
    {"AtTheBound", 16 * megabyte, true, std::nullopt},
    {"AnnouncedBeyondTheBound", 17 * megabyte, true, RouterHttpError::tooLarge},
    {"UnannouncedBeyondTheBound", 17 * megabyte, false, RouterHttpError::tooLarge},
};

TEST_P(RouterHttpSizeTest, CutsOffAnswersBeyondTheBound) {
    const SizeRow& row = GetParam();
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

    const auto result = exchange(get(router.url(), 20s), 30000);

    ASSERT_TRUE(result) << "no completion";
    EXPECT_EQ(result->error, row.expected);
    if (!row.expected) {
        EXPECT_EQ(result->body.size(), row.bodyBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Router, RouterHttpSizeTest, ::testing::ValuesIn(sizeRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
