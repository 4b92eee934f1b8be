#include "router/RouterTypeDetector.h"

#include "LoopbackHttpServer.h"
#include "TestEnvironment.h"
#include "router/RouterFamily.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool runOpenssl(const QString& directory, const QStringList& arguments) {
    QProcess openssl;
    openssl.setWorkingDirectory(directory);
    openssl.start(QStringLiteral("openssl"), arguments);
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

// Self-signed, for a name that is not the address, and expired years ago: the
// worst a router's certificate gets.
std::optional<QSslConfiguration> makeExpiredSelfSignedTls() {
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("ca.cnf")));
    config.open(QIODevice::WriteOnly);
    config.write(
        "[ca]\ndefault_ca = router\n[router]\ndatabase = index.txt\nnew_certs_dir = .\n"
        "serial = serial\ndefault_md = sha256\npolicy = anything\n[anything]\ncommonName = supplied\n");
    config.close();
    QFile(dir.filePath(QStringLiteral("index.txt"))).open(QIODevice::WriteOnly);
    QFile serial(dir.filePath(QStringLiteral("serial")));
    serial.open(QIODevice::WriteOnly);
    serial.write("01\n");
    serial.close();
    const bool made =
        runOpenssl(dir.path(),
                   QStringLiteral("req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                  "-keyout key.pem -out request.csr -subj /CN=router.invalid")
                       .split(QLatin1Char(' '))) &&
        runOpenssl(dir.path(),
                   QStringLiteral("ca -batch -config ca.cnf -selfsign -keyfile key.pem -in request.csr "
                                  "-out cert.pem -startdate 20200101000000Z -enddate 20200102000000Z")
                       .split(QLatin1Char(' ')));
    if (!made)
        return std::nullopt;
    QFile key(dir.filePath(QStringLiteral("key.pem")));
    key.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(dir.filePath(QStringLiteral("cert.pem"))));
    return tls;
}

QByteArray ok(const QByteArray& body, const QByteArray& headers = {}) {
    return LoopbackHttpServer::answer(200, body, headers);
}

const QByteArray notFound = LoopbackHttpServer::answer(404, "<html><body>Not Found</body></html>");

class RouterTypeDetectorTest : public testing::Test {
protected:
    static void SetUpTestSuite() { tls = makeExpiredSelfSignedTls(); }

    void SetUp() override {
        ASSERT_TRUE(tls) << "openssl could not make a test certificate";
        ASSERT_TRUE(web.isListening() && secureWeb.isListening())
            << "ports 80 and 443 need run-on-private-loopback.sh";
        serveFrom(web);
        serveFrom(secureWeb);
    }

    // Every request is recorded in arrival order over both ports; a path
    // without an answer is never answered.
    void serveFrom(LoopbackHttpServer& server) {
        server.respondWith([this, &server](QTcpSocket& socket) {
            const QByteArray head = server.requestHeads().last();
            const QByteArray requestLine = head.left(head.indexOf(" HTTP/"));
            arrivals.append(requestLine);
            if (answers.contains(requestLine))
                socket.write(answers[requestLine]);
        });
    }

    std::optional<QString> detect(const QString& address) {
        std::optional<QString> family;
        detector->detectRouterType(address, [&family](const QString& key) { family = key; });
        EXPECT_FALSE(family) << "completions never run inside the call";
        waitUntil([&family] { return family.has_value(); }, 12000);
        return family;
    }

    static inline std::optional<QSslConfiguration> tls;
    QMap<QByteArray, QByteArray> answers;
    QList<QByteArray> arrivals;
    LoopbackHttpServer web{std::nullopt, 80};
    LoopbackHttpServer secureWeb{tls, 443};
    std::unique_ptr<RouterTypeDetector> detector = std::make_unique<RouterTypeDetector>();
};

const QByteArray glinetProbe = "POST /rpc";
const QByteArray uniFiProbe = "GET /api/system";
const QByteArray peplinkProbe = "GET /api/status.system";

struct DetectionRow {
    std::string name;
    QMap<QByteArray, QByteArray> answers;
    QString family;
    QList<QByteArray> arrivals;
    friend void PrintTo(const DetectionRow& row, std::ostream* os) { *os << row.name; }
};

class RouterTypeDetectionTest : public RouterTypeDetectorTest,
                                public testing::WithParamInterface<DetectionRow> {};

TEST_P(RouterTypeDetectionTest, AsksInOrderAndTheFirstFamilyToAnswerWins) {
    answers = GetParam().answers;

    EXPECT_EQ(detect(QStringLiteral("127.0.0.1")), GetParam().family);
    EXPECT_EQ(arrivals, GetParam().arrivals);
    ASSERT_FALSE(web.requestHeads().isEmpty());
    EXPECT_TRUE(web.requestHeads().first().contains("\r\nContent-Type: application/json"));
    EXPECT_EQ(QJsonDocument::fromJson(web.requestBodies().first()).object(),
              QJsonDocument::fromJson(R"({"method": "challenge", "params": {"username": "root"}, "id": 1})")
                  .object());
}

const QList<QByteArray> allThree{glinetProbe, uniFiProbe, peplinkProbe};

INSTANTIATE_TEST_SUITE_P(
    Routers, RouterTypeDetectionTest,
    testing::Values(
        DetectionRow{
            "glinetChallenge",
            {{glinetProbe, ok(R"({"id":1,"jsonrpc":"2.0","result":{"alg":1,"salt":"Jw","nonce":"n"}})",
                              "Content-Type: application/octet-stream\r\n")}},
            RouterFamily::glinet,
            {glinetProbe}},
        DetectionRow{"uniFiAfterAChallengeWithoutSalt",
                     {{glinetProbe, ok(R"({"result":{"salt":7}})")},
                      {uniFiProbe, ok(R"({"hardware":{"shortname":"UDR"},"name":"Dream Router"})")}},
                     RouterFamily::unifi,
                     {glinetProbe, uniFiProbe}},
        DetectionRow{"peplinkByItsHeader",
                     {{glinetProbe, notFound},
                      {uniFiProbe, notFound},
                      {peplinkProbe, ok("{}", "X-Peplink-API: 1\r\n")}},
                     RouterFamily::peplink,
                     allThree},
        DetectionRow{
            "peplinkByItsLoginChallengeInAnyCase",
            {{glinetProbe, notFound},
             {uniFiProbe, notFound},
             {peplinkProbe,
              LoopbackHttpServer::answer(401, "{}", "WWW-Authenticate: Bearer realm=\"PePLink\"\r\n")}},
            RouterFamily::peplink,
            allThree},
        DetectionRow{
            "peplinkNameOutsideALoginChallenge",
            {{glinetProbe, notFound},
             {uniFiProbe, notFound},
             {peplinkProbe,
              LoopbackHttpServer::answer(403, "{}", "WWW-Authenticate: Bearer realm=\"peplink\"\r\n")}},
            RouterFamily::unknown,
            allThree},
        DetectionRow{
            "otherLoginChallenge",
            {{glinetProbe, notFound},
             {uniFiProbe, ok(R"([{"hardware":{}}])")},
             {peplinkProbe,
              LoopbackHttpServer::answer(401, "{}", "WWW-Authenticate: Basic realm=\"router\"\r\n")}},
            RouterFamily::unknown,
            allThree}),
    [](const auto& info) { return info.param.name; });

TEST_F(RouterTypeDetectorTest, NothingListeningIsUnknown) {
    EXPECT_EQ(detect(QStringLiteral("127.0.0.1:1")), RouterFamily::unknown);
}

TEST_F(RouterTypeDetectorTest, MalformedAddressIsUnknownWithoutAnyRequest) {
    for (const QString& address : {QString(), QStringLiteral("127.0.0.1/rpc"),
                                   QStringLiteral("root@127.0.0.1"), QStringLiteral("127.0.0.1 ; reboot"),
                                   QStringLiteral("127.0.0.1?x"), QStringLiteral("127.0.0.1:99999")})
        EXPECT_EQ(detect(address), RouterFamily::unknown) << address.toStdString();
    EXPECT_TRUE(arrivals.isEmpty());
}

TEST_F(RouterTypeDetectorTest, ASilentProbeCostsItsThreeSecondsAndNoMore) {
    answers = {{uniFiProbe, ok(R"({"hardware":{}})")}};
    QElapsedTimer clock;
    clock.start();

    EXPECT_EQ(detect(QStringLiteral("127.0.0.1")), RouterFamily::unifi);

    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 4500);
}

TEST_F(RouterTypeDetectorTest, GoneDetectorNeverCallsBack) {
    bool called = false;
    detector->detectRouterType(QStringLiteral("127.0.0.1"), [&called](const QString&) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return !arrivals.isEmpty(); }));

    detector.reset();
    waitUntil([] { return false; }, 300);

    EXPECT_FALSE(called);
}

} // namespace
