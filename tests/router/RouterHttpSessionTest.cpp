#include "router/RouterHttpSession.h"

#include "LoopbackHttpServer.h"
#include "SshTestSupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

using Outcome = std::pair<std::optional<RouterHttpError>, QByteArray>;

// Error statuses and their headers come back as answers; the detector's and
// the adapters' tests read them.
class RouterHttpSessionTest : public TransportTest {
protected:
    // The error and body of a GET; no answer at all reads as an empty success.
    Outcome get(const QUrl& url, std::chrono::milliseconds timeout = 5s,
                QList<QPair<QByteArray, QByteArray>> headers = {}) {
        const RouterHttpResult result = send(session, url, timeout, std::move(headers));
        return {result.error, result.body};
    }
    RouterHttpResult send(RouterHttpSession& via, const QUrl& url, std::chrono::milliseconds timeout = 5s,
                          QList<QPair<QByteArray, QByteArray>> headers = {}) {
        std::optional<RouterHttpResult> result;
        via.send({"GET", url, std::move(headers), {}, timeout}, &context,
                 [&result](const RouterHttpResult& answer) { result = answer; });
        waitUntil([&result] { return result.has_value(); }, 30000);
        return result.value_or(RouterHttpResult());
    }
    QObject context;
    RouterHttpSession session;
};

TEST_F(RouterHttpSessionTest, AcceptsTheRoutersCertificateKeepsOneConnectionAndNoCookie) {
    LoopbackHttpServer router(routerTls());
    router.respondWith(LoopbackHttpServer::reply(
        LoopbackHttpServer::answer(200, R"({"hardware":{}})", "Set-Cookie: TOKEN=fromServer; Path=/\r\n")));
    const Outcome answered{std::nullopt, R"({"hardware":{}})"};
    EXPECT_EQ(get(router.url(u"/api/system"_s)), answered);
    EXPECT_EQ(get(router.url(u"/api/system"_s)), answered);
    EXPECT_EQ(get(router.url(), 5s, {{"Cookie", "TOKEN=explicit"}}), answered);
    EXPECT_EQ(router.connections(), 1);
    // Sessions are the adapters' business: only the cookie they name goes out.
    EXPECT_EQ(router.requests().value(1).header("Cookie"), std::nullopt);
    EXPECT_EQ(router.requests().value(2).header("Cookie"), "TOKEN=explicit");
}

// Trust on first use: a login pins the certificate, the same device passes on
// another port, and a router showing another certificate is cut off after its
// handshake, before a byte of any request reaches it.
TEST_F(RouterHttpSessionTest, ARouterWithAnotherCertificateThanPinnedHearsNothing) {
    RouterIdentityStore identities(environment.path(u"config"_s));
    RouterHttpSession pinned(identities, logger);
    LoopbackHttpServer router(routerTls()), otherPort(routerTls()), impostor(routerTls());
    for (LoopbackHttpServer* server : {&router, &otherPort, &impostor})
        server->respondWith(LoopbackHttpServer::reply(LoopbackHttpServer::answer(200, "{}")));
    const RouterHttpResult login = send(pinned, router.url());
    ASSERT_TRUE(login.certificate);
    ASSERT_TRUE(pinned.keepLogin(u"127.0.0.1"_s, login, {.family = u"unifi"_s}));
    EXPECT_EQ(send(pinned, router.url()).certificate->fingerprint, login.certificate->fingerprint);
    EXPECT_EQ(send(pinned, otherPort.url()).error, std::nullopt);

    identities.keepLogin(u"127.0.0.1"_s, {.family = u"unifi"_s},
                         RouterIdentityStore::Certificate{impostor.url().port(), u"00:11"_s});
    // More than the connections a session opens to one router: some requests
    // wait for a connection that was refused.
    QList<RouterHttpResult> refused;
    for (int request = 0; request < 8; ++request)
        pinned.send({"GET", impostor.url(), {{"Authorization", "Bearer secret"}}, {}, 5s}, &context,
                    [&refused](const RouterHttpResult& answer) { refused.append(answer); });
    ASSERT_TRUE(waitUntil([&] { return refused.size() == 8; }));
    for (const RouterHttpResult& answer : refused)
        EXPECT_EQ(answer.error, RouterHttpError::identityChanged);
    EXPECT_TRUE(impostor.requests().isEmpty());
    EXPECT_EQ(systemLog.lines(),
              QStringList{u"VT-2003 identity-changed 127.0.0.1:%1"_s.arg(impostor.url().port())});

    identities.forget(u"127.0.0.1"_s);
    EXPECT_EQ(send(pinned, impostor.url()).error, std::nullopt);
}

// A router may close a kept connection just as the next request goes out; that
// request goes again, once, on a new connection. A new connection closed
// without an answer is the router's failure.
TEST_F(RouterHttpSessionTest, ARequestMeetingAClosedKeptConnectionGoesAgainOnce) {
    LoopbackHttpServer router(routerTls());
    int asked = 0;
    router.respondWith([&asked](QTcpSocket& socket) {
        if (++asked == 2)
            return socket.abort();
        socket.write(LoopbackHttpServer::answer(200, QByteArray::number(asked)));
    });
    EXPECT_EQ(get(router.url()), Outcome(std::nullopt, "1"));
    EXPECT_EQ(get(router.url()), Outcome(std::nullopt, "3"));
    EXPECT_EQ(router.connections(), 2);

    router.respondWith([](QTcpSocket& socket) { socket.abort(); });
    EXPECT_EQ(get(router.url()).first, RouterHttpError::network);
    EXPECT_EQ(router.requests().size(), 5);
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
    const auto failure = [&](const LoopbackHttpServer& server) {
        QUrl url = server.url();
        url.setScheme(u"https"_s);
        QElapsedTimer clock;
        clock.start();
        const std::optional<RouterHttpError> error = get(url, 400ms).first;
        EXPECT_LT(clock.elapsed(), 1400);
        return std::pair(error, clock.elapsed() >= 400);
    };
    const QUrl closed = LoopbackHttpServer().url();
    EXPECT_EQ(get(closed, 400ms).first, RouterHttpError::refused);
    LoopbackHttpServer silent(routerTls()), resetting(routerTls()), plain;
    EXPECT_EQ(failure(silent), std::pair(std::optional(RouterHttpError::timeout), true));
    resetting.respondWith(resetAfterPartialAnswer);
    EXPECT_EQ(failure(resetting).first, RouterHttpError::network);
    plain.greetWith(LoopbackHttpServer::answer(400, "plain"));
    EXPECT_EQ(failure(plain).first, RouterHttpError::tls);
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
        const Outcome outcome = get(router.url(), 20s);
        return std::pair(outcome.first, outcome.second.size());
    };
    constexpr qsizetype limit = 16 * 1024 * 1024;
    EXPECT_EQ(answered(limit, true), std::pair(std::optional<RouterHttpError>(), limit));
    EXPECT_EQ(answered(limit + 1, true).first, RouterHttpError::tooLarge);
    EXPECT_EQ(answered(limit + 1, false).first, RouterHttpError::tooLarge);
}

} // namespace
