#include "router/RouterTypeDetector.h"

#include "LoopbackHttpServer.h"
#include "TestEnvironment.h"
#include "router/RouterFamily.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray answer(int status, const QByteArray& body, const QByteArray& headers = {}) {
    return LoopbackHttpServer::answer(status, body, headers);
}

const QByteArray notFound = answer(404, "<html><body>Not Found</body></html>");
const QByteArray glinetProbe = "443 POST /rpc";
const QByteArray glinetClearTextProbe = "80 POST /rpc";
const QByteArray uniFiProbe = "443 GET /api/system";
const QByteArray peplinkProbe = "443 GET /api/status.system";

// A router on 127.0.0.1:80 and :443 that answers each probe from a table; a
// probe without an answer is never answered.
class RouterTypeDetectorTest : public testing::Test {
protected:
    void SetUp() override {
        router.listen(routerTls(), 443);
        ASSERT_TRUE(router.isListening()) << "ports 80 and 443 need run-on-private-loopback.sh";
    }

    std::optional<QString> detect(const QString& address) {
        std::optional<QString> family;
        detector->detectRouterType(address, [&family](const QString& key) { family = key; });
        EXPECT_FALSE(family) << "completions never run inside the call";
        waitUntil([&family] { return family.has_value(); }, 12000);
        return family;
    }

    LoopbackHttpServer router{std::nullopt, 80};
    std::unique_ptr<RouterTypeDetector> detector = std::make_unique<RouterTypeDetector>();
};

// GL.iNet is asked over HTTPS first; Peplink is told by its header, or by a
// login challenge naming it, and only then.
TEST_F(RouterTypeDetectorTest, AsksInOrderAndTheFirstFamilyToAnswerWins) {
    const auto detected = [&](const QByteArray& glinet, const QByteArray& glinetInClear,
                              const QByteArray& uniFi, const QByteArray& peplink) {
        router.serve(glinetProbe, glinet);
        router.serve(glinetClearTextProbe, glinetInClear);
        router.serve(uniFiProbe, uniFi);
        router.serve(peplinkProbe, peplink);
        return detect(u"127.0.0.1"_s).value_or(QString());
    };
    const auto realm = [](int status, const QByteArray& name) {
        return answer(status, "{}", "WWW-Authenticate: Bearer realm=\"" + name + "\"\r\n");
    };
    const QByteArray challenge = answer(200, R"({"id":1,"result":{"alg":1,"salt":"Jw","nonce":"n"}})");
    EXPECT_EQ(detected(challenge, {}, {}, {}), RouterFamily::glinet);
    EXPECT_EQ(detected(notFound, challenge, {}, {}), RouterFamily::glinet);
    EXPECT_EQ(detected(answer(200, R"({"result":{"salt":7}})"), notFound,
                       answer(200, R"({"hardware":{"shortname":"UDR"}})"), {}),
              RouterFamily::unifi);
    EXPECT_EQ(detected(notFound, notFound, notFound, answer(200, "{}", "X-Peplink-API: 1\r\n")),
              RouterFamily::peplink);
    EXPECT_EQ(detected(notFound, notFound, notFound, realm(401, "PePLink")), RouterFamily::peplink);
    EXPECT_EQ(detected(notFound, notFound, notFound, realm(403, "peplink")), RouterFamily::unknown);
    // Each probe asked once, and the next only after the one before: 1 + 2 + 3 + 3 * 4.
    EXPECT_EQ(router.requests().size(), 18);
    EXPECT_EQ(router.lines().mid(0, 3), (QList<QByteArray>{glinetProbe, glinetProbe, glinetClearTextProbe}));
    EXPECT_EQ(router.requests().first().header("Content-Type"), "application/json");
    EXPECT_EQ(QJsonDocument::fromJson(router.requests().first().body).object(),
              QJsonDocument::fromJson(R"({"method": "challenge", "params": {"username": "root"}, "id": 1})")
                  .object());
}

TEST_F(RouterTypeDetectorTest, NoRouterOrNoAddressIsUnknown) {
    EXPECT_EQ(detect(u"127.0.0.1:1"_s), RouterFamily::unknown);
    EXPECT_EQ(detect(u"root@127.0.0.1"_s), RouterFamily::unknown);
    EXPECT_TRUE(router.requests().isEmpty());
}

TEST_F(RouterTypeDetectorTest, ASilentProbeCostsItsThreeSecondsAndNoMore) {
    router.serve(glinetProbe, notFound);
    router.serve(uniFiProbe, answer(200, R"({"hardware":{}})"));
    QElapsedTimer clock;
    clock.start();

    EXPECT_EQ(detect(u"127.0.0.1"_s), RouterFamily::unifi);
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 4500);
}

TEST_F(RouterTypeDetectorTest, GoneDetectorNeverCallsBack) {
    bool called = false;
    detector->detectRouterType(u"127.0.0.1"_s, [&called](const QString&) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return !router.requests().isEmpty(); }));

    detector.reset();
    waitUntil([] { return false; }, 300);
    EXPECT_FALSE(called);
}

} // namespace
