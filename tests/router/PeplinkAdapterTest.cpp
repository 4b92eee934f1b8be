#include "router/PeplinkAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "TestCertificate.h"
#include "app/SettingsKeys.h"
#include "router/RouterCredentials.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace {

const QByteArray grant = "443 POST /api/auth.token.grant";
const QByteArray clientList = "443 GET /api/status.client";
const QByteArray systemStatus = "443 GET /api/status.system";

QByteArray ok(const QByteArray& body) {
    return LoopbackHttpServer::answer(200, body);
}
QByteArray deviceGrant(const QByteArray& token) {
    return ok(R"({"stat":"ok","response":{"accessToken":")" + token + R"(","expiresIn":"172800"}})");
}
const QByteArray twoClients = ok(R"({"stat":"ok","response":{"list":[
    {"mac":"AA:BB:CC:00:00:01","connectionType":"ethernet","name":"nas"},
    {"mac":"78:F5:05:AA:BB:CC","connectionType":"wireless","name":"R5","signalStrength":-61,"channel":36}]}})");

// The router on 127.0.0.1:443 answers each request line from `answers`; an
// empty answer drops the connection, a line without one is never answered.
class PeplinkAdapterTest : public RouterAdapterTest<PeplinkAdapter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(routerTls()) << "openssl could not make a test certificate";
        ASSERT_TRUE(router.isListening()) << "port 443 needs run-on-private-loopback.sh";
        settings.writeString(SettingsKey::routerUsername, QStringLiteral("admin"));
        credentials.items.insert(RouterCredentials::accountFor(address), password);
    }

    void answer(const QMap<QByteArray, QByteArray>& answers) {
        router.clearRoutes();
        for (auto answer = answers.cbegin(); answer != answers.cend(); ++answer)
            router.serve(answer.key(), answer.value());
    }
    std::optional<QByteArray> bearer(qsizetype request) const {
        return router.requests().value(request).header("Authorization");
    }

    QString password = QStringLiteral(R"(pa'ss"wo\rd)");
    LoopbackHttpServer router{routerTls(), 443};
};

TEST_F(PeplinkAdapterTest, ConnectGrantsATokenThatTheHealthProbeAndModelQueryCarry) {
    answer({{grant, deviceGrant("t1")}, {systemStatus, ok(R"({"stat":"ok","response":{"model":"B20X"}})")}});

    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(healthNow(), true);
    adapter->resetSession();
    EXPECT_EQ(modelNow(), QStringLiteral("B20X"));

    ASSERT_EQ(router.lines(), (QList<QByteArray>{grant, systemStatus, systemStatus}));
    EXPECT_EQ(router.requests()[0].header("Content-Type"), "application/json");
    EXPECT_EQ(QJsonDocument::fromJson(router.requests()[0].body).object(),
              (QJsonObject{{QStringLiteral("username"), QStringLiteral("admin")},
                           {QStringLiteral("password"), password}}));
    EXPECT_EQ(bearer(1), "Bearer t1");
    EXPECT_EQ(bearer(2), "Bearer t1") << "a reset keeps the token";
    EXPECT_TRUE(systemLog.lines().contains(QStringLiteral("VT-2002")));
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
        router.serve(grant, *row.grantAnswer);

    EXPECT_EQ(connectNow(), std::pair(false, std::optional<QString>(row.message)));
    // Qt sends a request again when its connection drops, so only whether any
    // arrived counts.
    EXPECT_EQ(!router.requests().isEmpty(), row.reachesRouter);
    EXPECT_FALSE(systemLog.lines().contains(QStringLiteral("VT-2002")));
}

const QString missing = QStringLiteral("Missing credentials");
const QString failed = QStringLiteral("Authentication failed");
const QString invalid = QStringLiteral("Invalid IP");
const QString local = QStringLiteral("127.0.0.1");
const QString admin = QStringLiteral("admin");
const QString pw = QStringLiteral("secret");

INSTANTIATE_TEST_SUITE_P(
    Grants, PeplinkConnectFailureTest,
    testing::Values(
        ConnectFailureRow{"noUsername", {}, pw, local, std::nullopt, missing, false},
        ConnectFailureRow{"noPassword", admin, {}, local, std::nullopt, missing, false},
        ConnectFailureRow{"pathInAddress", admin, pw, QStringLiteral("127.0.0.1/x"), std::nullopt, invalid,
                          false},
        ConnectFailureRow{"userInfoInAddress", admin, pw, QStringLiteral("evil@127.0.0.1"), std::nullopt,
                          invalid, false},
        ConnectFailureRow{"rejected", admin, pw, local,
                          LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})"), failed, true},
        ConnectFailureRow{"htmlErrorPage", admin, pw, local, ok("<html>busy</html>"), failed, true},
        ConnectFailureRow{"tokenOfWrongType", admin, pw, local, ok(R"({"access_token":42})"), failed, true},
        ConnectFailureRow{"connectionDropped", admin, pw, local, QByteArray(), failed, true},
        ConnectFailureRow{"refused", admin, pw, QStringLiteral("127.0.0.1:1"), std::nullopt, failed, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(PeplinkAdapterTest, EveryPollGrantsAFreshTokenAndFindsTheTargetIgnoringCase) {
    int grants = 0;
    router.route(grant, [&grants](QTcpSocket& socket) {
        socket.write(ok(R"({"access_token":"t)" + QByteArray::number(++grants) + R"("})"));
    });
    router.serve(clientList, twoClients);

    for (int poll = 1; poll <= 2; ++poll) {
        const std::optional<RouterClient> row = clientNow(QStringLiteral("78:f5:05:aa:bb:cc"));
        ASSERT_TRUE(row);
        EXPECT_EQ(row->hostname, QStringLiteral("R5"));
        EXPECT_EQ(bearer(2 * poll - 1), "Bearer t" + QByteArray::number(poll));
    }
    EXPECT_EQ(router.lines(), (QList<QByteArray>{grant, clientList, grant, clientList}));
    // The wired client is no target for signal: the list holds the Wi-Fi one only.
    EXPECT_EQ(clientsNow().size(), 1);
}

struct ListFailureRow {
    std::string name;
    QMap<QByteArray, QByteArray> answers;
    friend void PrintTo(const ListFailureRow& row, std::ostream* os) { *os << row.name; }
};

class PeplinkListFailureTest : public PeplinkAdapterTest,
                               public testing::WithParamInterface<ListFailureRow> {};

TEST_P(PeplinkListFailureTest, GivesAnEmptyList) {
    answer(GetParam().answers);
    EXPECT_EQ(clientsNow(), QList<RouterClient>());
}

INSTANTIATE_TEST_SUITE_P(
    Polls, PeplinkListFailureTest,
    testing::Values(
        ListFailureRow{"grantRejected",
                       {{grant, LoopbackHttpServer::answer(401, "{}")}, {clientList, twoClients}}},
        ListFailureRow{"listIsHtml", {{grant, deviceGrant("t")}, {clientList, ok("<html/>")}}},
        ListFailureRow{"listOfWrongType",
                       {{grant, deviceGrant("t")}, {clientList, ok(R"({"response":{"list":7}})")}}},
        ListFailureRow{"routerVanishesMidList", {{grant, deviceGrant("t")}, {clientList, {}}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(PeplinkAdapterTest, ModelFallsBackToTheDefaultNameWhenNothingUsableComes) {
    for (const auto& [name, reply] :
         {std::pair("notJson", ok("<html/>")), std::pair("dropped", QByteArray())}) {
        router.serve(systemStatus, reply);
        EXPECT_EQ(modelNow(), QStringLiteral("Peplink Router")) << name;
    }
}

TEST_F(PeplinkAdapterTest, HealthIsFalseForAFailedSessionOrASilentRouterAfterThreeSeconds) {
    router.serve(systemStatus, LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})"));
    EXPECT_EQ(healthNow(), false);

    router.clearRoutes();
    expectHealthFailsAtTheDeadline();
}

TEST_F(PeplinkAdapterTest, DisconnectEndsWhatIsInFlightWithoutAnswer) {
    std::optional<QList<RouterClient>> beforeGrant;
    adapter->fetchClients([&beforeGrant](QList<RouterClient> rows) { beforeGrant = rows; });
    // The keyring read is still under way: the password must not go out.
    adapter->disconnect();
    ASSERT_TRUE(waitUntil([&beforeGrant] { return beforeGrant.has_value(); }));
    EXPECT_EQ(beforeGrant, QList<RouterClient>());

    router.serve(grant, deviceGrant("t"));
    std::optional<QList<RouterClient>> duringList;
    adapter->fetchClients([&duringList](QList<RouterClient> rows) { duringList = rows; });
    ASSERT_TRUE(waitUntil([this] { return router.requests().size() == 2; }));
    adapter->disconnect();
    ASSERT_TRUE(waitUntil([&duringList] { return duringList.has_value(); }));
    EXPECT_EQ(duringList, QList<RouterClient>());
    EXPECT_EQ(router.lines(), (QList<QByteArray>{grant, clientList}));
}

TEST_F(PeplinkAdapterTest, DestroyedAdapterNeverCallsBack) {
    router.serve(grant, deviceGrant("t"));
    bool called = false;
    adapter->fetchClient(QStringLiteral("78:f5:05:aa:bb:cc"), [&called](auto) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return router.requests().size() == 2; }));

    adapter.reset();
    pump(300);
    EXPECT_FALSE(called);
}

} // namespace
