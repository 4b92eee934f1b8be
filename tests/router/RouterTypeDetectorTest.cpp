#include "router/RouterTypeDetector.h"

#include "LoopbackHttpServer.h"
#include "TestCertificate.h"
#include "TestEnvironment.h"
#include "router/RouterFamily.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <gtest/gtest.h>

namespace {

QByteArray ok(const QByteArray& body, const QByteArray& headers = {}) {
    return LoopbackHttpServer::answer(200, body, headers);
}

const QByteArray notFound = LoopbackHttpServer::answer(404, "<html><body>Not Found</body></html>");
const QByteArray glinetProbe = "80 POST /rpc";
const QByteArray uniFiProbe = "443 GET /api/system";
const QByteArray peplinkProbe = "443 GET /api/status.system";

// A router on 127.0.0.1:80 and :443 that answers each probe from a table; a
// probe without an answer is never answered.
class RouterTypeDetectorTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(routerTls()) << "openssl could not make a test certificate";
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

struct DetectionRow {
    std::string name;
    QMap<QByteArray, QByteArray> answers;
    QString family;
    QList<QByteArray> probes;
    friend void PrintTo(const DetectionRow& row, std::ostream* os) { *os << row.name; }
};

class RouterTypeDetectionTest : public RouterTypeDetectorTest,
                                public testing::WithParamInterface<DetectionRow> {};

TEST_P(RouterTypeDetectionTest, AsksInOrderAndTheFirstFamilyToAnswerWins) {
    for (auto answer = GetParam().answers.cbegin(); answer != GetParam().answers.cend(); ++answer)
        router.serve(answer.key(), answer.value());

    EXPECT_EQ(detect(QStringLiteral("127.0.0.1")), GetParam().family);
    EXPECT_EQ(router.lines(), GetParam().probes);
    ASSERT_FALSE(router.requests().isEmpty());
    EXPECT_EQ(router.requests().first().header("Content-Type"), "application/json");
    EXPECT_EQ(QJsonDocument::fromJson(router.requests().first().body).object(),
              QJsonDocument::fromJson(R"({"method": "challenge", "params": {"username": "root"}, "id": 1})")
                  .object());
}

const QList<QByteArray> allThree{glinetProbe, uniFiProbe, peplinkProbe};

DetectionRow peplinkAnswers(const char* name, const QByteArray& uniFi, const QByteArray& peplink,
                            const QString& family) {
    return {name, {{glinetProbe, notFound}, {uniFiProbe, uniFi}, {peplinkProbe, peplink}}, family, allThree};
}

const QMap<QByteArray, QByteArray> glinetAnswers{
    {glinetProbe, ok(R"({"id":1,"jsonrpc":"2.0","result":{"alg":1,"salt":"Jw","nonce":"n"}})",
                     "Content-Type: application/octet-stream\r\n")}};
const QMap<QByteArray, QByteArray> uniFiAnswers{
    {glinetProbe, ok(R"({"result":{"salt":7}})")},
    {uniFiProbe, ok(R"({"hardware":{"shortname":"UDR"},"name":"Dream Router"})")}};

INSTANTIATE_TEST_SUITE_P(
    Routers, RouterTypeDetectionTest,
    testing::Values(
        DetectionRow{"glinetChallenge", glinetAnswers, RouterFamily::glinet, {glinetProbe}},
        DetectionRow{
            "uniFiAfterAChallengeWithoutSalt", uniFiAnswers, RouterFamily::unifi, {glinetProbe, uniFiProbe}},
        peplinkAnswers("peplinkByItsHeader", notFound, ok("{}", "X-Peplink-API: 1\r\n"),
                       RouterFamily::peplink),
        peplinkAnswers("peplinkByItsLoginChallengeInAnyCase", notFound,
                       LoopbackHttpServer::answer(401, "{}",
                                                  "WWW-Authenticate: Bearer realm=\"PePLink\"\r\n"),
                       RouterFamily::peplink),
        peplinkAnswers("peplinkNameOutsideALoginChallenge", notFound,
                       LoopbackHttpServer::answer(403, "{}",
                                                  "WWW-Authenticate: Bearer realm=\"peplink\"\r\n"),
                       RouterFamily::unknown),
        peplinkAnswers("otherLoginChallenge", ok(R"([{"hardware":{}}])"),
                       LoopbackHttpServer::answer(401, "{}", "WWW-Authenticate: Basic realm=\"router\"\r\n"),
                       RouterFamily::unknown)),
    [](const auto& info) { return info.param.name; });

TEST_F(RouterTypeDetectorTest, NothingListeningIsUnknown) {
    EXPECT_EQ(detect(QStringLiteral("127.0.0.1:1")), RouterFamily::unknown);
}

TEST_F(RouterTypeDetectorTest, MalformedAddressIsUnknownWithoutAnyRequest) {
    for (const QString& address : {QString(), QStringLiteral("127.0.0.1/rpc"),
                                   QStringLiteral("root@127.0.0.1"), QStringLiteral("127.0.0.1 ; reboot"),
                                   QStringLiteral("127.0.0.1?x"), QStringLiteral("127.0.0.1:99999")})
        EXPECT_EQ(detect(address), RouterFamily::unknown) << address.toStdString();
    EXPECT_TRUE(router.requests().isEmpty());
}

TEST_F(RouterTypeDetectorTest, ASilentProbeCostsItsThreeSecondsAndNoMore) {
    router.serve(uniFiProbe, ok(R"({"hardware":{}})"));
    QElapsedTimer clock;
    clock.start();

    EXPECT_EQ(detect(QStringLiteral("127.0.0.1")), RouterFamily::unifi);

    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 4500);
}

TEST_F(RouterTypeDetectorTest, GoneDetectorNeverCallsBack) {
    bool called = false;
    detector->detectRouterType(QStringLiteral("127.0.0.1"), [&called](const QString&) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return !router.requests().isEmpty(); }));

    detector.reset();
    waitUntil([] { return false; }, 300);

    EXPECT_FALSE(called);
}

} // namespace
