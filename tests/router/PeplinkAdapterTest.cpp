#include "router/PeplinkAdapter.h"

#include "LoopbackHttpServer.h"
#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/RecordingSystemLog.h"
#include "router/RouterCredentials.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

std::optional<QSslConfiguration> makeSelfSignedTls() {
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString certificate = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=peplink.invalid"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), certificate});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return std::nullopt;
    QFile keyFile(key);
    keyFile.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(certificate));
    return tls;
}

const QByteArray grantPath = "/api/auth.token.grant";
const QByteArray clientPath = "/api/status.client";
const QByteArray systemPath = "/api/status.system";

QByteArray ok(const QByteArray& body) {
    return LoopbackHttpServer::answer(200, body);
}

QByteArray deviceGrant(const QByteArray& token) {
    return ok(R"({"stat":"ok","response":{"accessToken":")" + token + R"(","expiresIn":"172800"}})");
}

const QByteArray twoClients = ok(R"({"stat":"ok","response":{"list":[
    {"mac":"AA:BB:CC:00:00:01","connectionType":"ethernet","name":"nas"},
    {"mac":"78:F5:05:AA:BB:CC","connectionType":"wireless","name":"R5","signalStrength":-61,"channel":36}]}})");

template <typename T> std::optional<T> waitFor(const std::optional<T>& slot, int timeoutMs = 8000) {
    waitUntil([&slot] { return slot.has_value(); }, timeoutMs);
    return slot;
}

class PeplinkAdapterTest : public testing::Test {
protected:
    static void SetUpTestSuite() { tls = makeSelfSignedTls(); }

    void SetUp() override {
        ASSERT_TRUE(tls) << "openssl could not make a test certificate";
        ASSERT_TRUE(router.isListening()) << "port 443 needs run-on-private-loopback.sh";
        settings.writeString(SettingsKey::routerUsername, QStringLiteral("admin"));
        credentials.items.insert(RouterCredentials::accountFor(address), password);
        // Each path answers from `answers`; an empty answer drops the connection,
        // a path without one is never answered.
        router.respondWith([this](QTcpSocket& socket) {
            const QByteArray path = router.requestHeads().last().split(' ').value(1);
            if (!answers.contains(path))
                return;
            if (answers[path].isEmpty())
                socket.abort();
            else
                socket.write(answers[path]);
        });
    }

    QList<QByteArray> requestLines() const {
        QList<QByteArray> lines;
        for (const QByteArray& head : router.requestHeads())
            lines.append(head.left(head.indexOf("\r\n")));
        return lines;
    }
    bool sentBearer(qsizetype request, const QByteArray& token) const {
        return router.requestHeads().value(request).contains("\r\nAuthorization: Bearer " + token);
    }

    std::optional<std::pair<bool, std::optional<QString>>> connectNow() {
        std::optional<std::pair<bool, std::optional<QString>>> outcome;
        adapter->connect([&outcome](bool success, std::optional<QString> message) {
            outcome = std::pair(success, message);
        });
        EXPECT_FALSE(outcome) << "completions never run inside the call";
        return waitFor(outcome);
    }
    std::optional<QList<RouterClient>> fetchClientsNow() {
        std::optional<QList<RouterClient>> rows;
        adapter->fetchClients([&rows](QList<RouterClient> answer) { rows = answer; });
        return waitFor(rows);
    }
    std::optional<bool> healthNow() {
        std::optional<bool> healthy;
        adapter->probeRouterHealth([&healthy](bool answer) { healthy = answer; });
        return waitFor(healthy);
    }

    static inline std::optional<QSslConfiguration> tls;
    QString address = QStringLiteral("127.0.0.1");
    QString password = QStringLiteral(R"(pa'ss"wo\rd)");
    QMap<QByteArray, QByteArray> answers;
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore credentials;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    QThreadPool pool;
    RouterAccess access{settings, credentials, logger, pool, [this] { return address; }, QString()};
    LoopbackHttpServer router{tls, 443};
    std::unique_ptr<PeplinkAdapter> adapter = std::make_unique<PeplinkAdapter>(access);
};

TEST_F(PeplinkAdapterTest, ConnectGrantsATokenThatTheHealthProbeAndModelQueryCarry) {
    answers = {{grantPath, deviceGrant("t1")},
               {systemPath, ok(R"({"stat":"ok","response":{"model":"B20X"}})")}};

    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(healthNow(), true);
    adapter->resetSession();
    std::optional<std::optional<QString>> model;
    adapter->fetchModelName([&model](std::optional<QString> name) { model = name; });

    EXPECT_EQ(waitFor(model), std::optional<QString>(QStringLiteral("B20X")));
    ASSERT_EQ(requestLines(),
              (QList<QByteArray>{"POST " + grantPath + " HTTP/1.1", "GET " + systemPath + " HTTP/1.1",
                                 "GET " + systemPath + " HTTP/1.1"}));
    EXPECT_TRUE(router.requestHeads()[0].contains("\r\nContent-Type: application/json"));
    const QJsonObject body = QJsonDocument::fromJson(router.requestBodies()[0]).object();
    EXPECT_EQ(body, (QJsonObject{{QStringLiteral("username"), QStringLiteral("admin")},
                                 {QStringLiteral("password"), password}}));
    EXPECT_TRUE(sentBearer(1, "t1"));
    EXPECT_TRUE(sentBearer(2, "t1")) << "a reset keeps the token";
    EXPECT_TRUE(systemLog.messages().contains(QStringLiteral("VT-2002")));
}

struct ConnectFailureRow {
    std::string name;
    QString username;
    QString password;
    QString address;
    std::optional<QByteArray> grantAnswer;
    QString message;
    bool reachesRouter;
    friend void PrintTo(const ConnectFailureRow& row, std::ostream* os) { *os << row.name; }
};

class PeplinkConnectFailureTest : public PeplinkAdapterTest,
                                  public testing::WithParamInterface<ConnectFailureRow> {};

TEST_P(PeplinkConnectFailureTest, ReportsTheSentenceTheSettingsWindowShows) {
    const ConnectFailureRow& row = GetParam();
    settings.writeString(SettingsKey::routerUsername, row.username);
    address = row.address;
    credentials.items = {{RouterCredentials::accountFor(address), row.password}};
    if (row.grantAnswer)
        answers = {{grantPath, *row.grantAnswer}};

    EXPECT_EQ(connectNow(), std::pair(false, std::optional<QString>(row.message)));
    // Qt sends a request again when its connection drops, so only whether any
    // arrived counts.
    EXPECT_EQ(!router.requestHeads().isEmpty(), row.reachesRouter);
    EXPECT_FALSE(systemLog.messages().contains(QStringLiteral("VT-2002")));
}

const QString missing = QStringLiteral("Missing credentials");
const QString failed = QStringLiteral("Authentication failed");
const QString local = QStringLiteral("127.0.0.1");
const QString admin = QStringLiteral("admin");
const QString pw = QStringLiteral("secret");

INSTANTIATE_TEST_SUITE_P(
    Grants, PeplinkConnectFailureTest,
    testing::Values(
        ConnectFailureRow{"noUsername", {}, pw, local, std::nullopt, missing, false},
        ConnectFailureRow{"noPassword", admin, {}, local, std::nullopt, missing, false},
        ConnectFailureRow{"pathInAddress", admin, pw, QStringLiteral("127.0.0.1/x"), std::nullopt,
                          QStringLiteral("Invalid IP"), false},
        ConnectFailureRow{"userInfoInAddress", admin, pw, QStringLiteral("evil@127.0.0.1"), std::nullopt,
                          QStringLiteral("Invalid IP"), false},
        ConnectFailureRow{"rejected", admin, pw, local,
                          LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})"), failed, true},
        ConnectFailureRow{"htmlErrorPage", admin, pw, local, ok("<html>busy</html>"), failed, true},
        ConnectFailureRow{"tokenOfWrongType", admin, pw, local, ok(R"({"access_token":42})"), failed, true},
        ConnectFailureRow{"connectionDropped", admin, pw, local, QByteArray(), failed, true},
        ConnectFailureRow{"refused", admin, pw, QStringLiteral("127.0.0.1:1"), std::nullopt, failed, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(PeplinkAdapterTest, EveryPollGrantsAFreshTokenAndFindsTheTargetIgnoringCase) {
    int grants = 0;
    router.respondWith([this, &grants](QTcpSocket& socket) {
        if (router.requestHeads().last().startsWith("POST " + grantPath))
            socket.write(ok(R"({"access_token":"t)" + QByteArray::number(++grants) + R"("})"));
        else
            socket.write(twoClients);
    });

    for (int poll = 1; poll <= 2; ++poll) {
        std::optional<std::optional<RouterClient>> row;
        adapter->fetchClient(QStringLiteral("78:f5:05:aa:bb:cc"),
                             [&row](std::optional<RouterClient> answer) { row = answer; });
        ASSERT_TRUE(waitFor(row));
        ASSERT_TRUE(*row);
        EXPECT_EQ((*row)->hostname, QStringLiteral("R5"));
        EXPECT_TRUE(sentBearer(2 * poll - 1, "t" + QByteArray::number(poll)));
    }
    EXPECT_EQ(requestLines(),
              (QList<QByteArray>{"POST " + grantPath + " HTTP/1.1", "GET " + clientPath + " HTTP/1.1",
                                 "POST " + grantPath + " HTTP/1.1", "GET " + clientPath + " HTTP/1.1"}));
    // The wired client is no target for signal: the list holds the Wi-Fi one only.
    EXPECT_EQ(fetchClientsNow()->size(), 1);
}

struct ListFailureRow {
    std::string name;
    QMap<QByteArray, QByteArray> answers;
    friend void PrintTo(const ListFailureRow& row, std::ostream* os) { *os << row.name; }
};

class PeplinkListFailureTest : public PeplinkAdapterTest,
                               public testing::WithParamInterface<ListFailureRow> {};

TEST_P(PeplinkListFailureTest, GivesAnEmptyList) {
    answers = GetParam().answers;
    EXPECT_EQ(fetchClientsNow(), QList<RouterClient>());
}

INSTANTIATE_TEST_SUITE_P(
    Polls, PeplinkListFailureTest,
    testing::Values(
        ListFailureRow{"grantRejected",
                       {{grantPath, LoopbackHttpServer::answer(401, "{}")}, {clientPath, twoClients}}},
        ListFailureRow{"listIsHtml", {{grantPath, deviceGrant("t")}, {clientPath, ok("<html/>")}}},
        ListFailureRow{"listOfWrongType",
                       {{grantPath, deviceGrant("t")}, {clientPath, ok(R"({"response":{"list":7}})")}}},
        ListFailureRow{"routerVanishesMidList", {{grantPath, deviceGrant("t")}, {clientPath, {}}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(PeplinkAdapterTest, ModelFallsBackToTheDefaultNameWhenNothingUsableComes) {
    for (const auto& [name, answer] :
         {std::pair("notJson", ok("<html/>")), std::pair("dropped", QByteArray())}) {
        answers = {{systemPath, answer}};
        std::optional<std::optional<QString>> model;
        adapter->fetchModelName([&model](std::optional<QString> text) { model = text; });
        EXPECT_EQ(waitFor(model), std::optional<QString>(QStringLiteral("Peplink Router"))) << name;
    }
}

TEST_F(PeplinkAdapterTest, HealthIsFalseForAFailedSessionOrASilentRouterAfterThreeSeconds) {
    answers = {{systemPath, LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})")}};
    EXPECT_EQ(healthNow(), false);

    answers.clear();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(healthNow(), false);
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 4500);
}

TEST_F(PeplinkAdapterTest, DisconnectEndsWhatIsInFlightWithoutAnswer) {
    std::optional<QList<RouterClient>> beforeGrant;
    adapter->fetchClients([&beforeGrant](QList<RouterClient> rows) { beforeGrant = rows; });
    // The keyring read is still under way: the password must not go out.
    adapter->disconnect();
    EXPECT_EQ(waitFor(beforeGrant), QList<RouterClient>());

    answers = {{grantPath, deviceGrant("t")}};
    std::optional<QList<RouterClient>> duringList;
    adapter->fetchClients([&duringList](QList<RouterClient> rows) { duringList = rows; });
    ASSERT_TRUE(waitUntil([this] { return router.requestHeads().size() == 2; }));
    adapter->disconnect();
    EXPECT_EQ(waitFor(duringList), QList<RouterClient>());
    EXPECT_EQ(requestLines(),
              (QList<QByteArray>{"POST " + grantPath + " HTTP/1.1", "GET " + clientPath + " HTTP/1.1"}));
}

TEST_F(PeplinkAdapterTest, DestroyedAdapterNeverCallsBack) {
    answers = {{grantPath, deviceGrant("t")}};
    bool called = false;
    adapter->fetchClient(QStringLiteral("78:f5:05:aa:bb:cc"), [&called](auto) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return router.requestHeads().size() == 2; }));

    adapter.reset();
    waitUntil([] { return false; }, 300);

    EXPECT_FALSE(called);
}

} // namespace
