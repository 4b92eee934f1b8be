#include "router/GlinetAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "app/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

// "challenge login call" as the list of JSON-RPC methods it names.
QStringList calls(const char* methods) {
    return QString::fromLatin1(methods).split(QLatin1Char(' '));
}

QByteArray rpcAnswer(int status, const QByteArray& body) {
    // Real firmware serves JSON-RPC as application/octet-stream as often as not.
    return LoopbackHttpServer::answer(status, body, "Content-Type: application/octet-stream\r\n");
}

const QString password = QStringLiteral("jdlkjLJlkd=(//&%/&dskdBBDs192837");
const QString cameraMAC = QStringLiteral("78:f5:05:aa:bb:cc");
const QString sshLogin = QStringLiteral("root@127.0.0.1 ");
const QByteArray challengeCall =
    R"({"jsonrpc": "2.0", "method": "challenge", "params": {"username": "root"}, "id": 0})";
const QString devices = QStringLiteral("ubus call iwinfo devices");
const QString assoclistWlan0 = QStringLiteral(R"(ubus call iwinfo assoclist '{"device":"wlan0"}')");
const QString assoclistWlan1 = QStringLiteral(R"(ubus call iwinfo assoclist '{"device":"wlan1"}')");
// OpenWrt writes station MACs in upper case.
const QByteArray cameraStation = R"({"results":[{"mac":"78:F5:05:AA:BB:CC","signal":-61,
    "tx":{"rate":866700,"mcs":9,"nss":2,"short_gi":true,"bytes":123456},"rx":{"bytes":654321}}]})";
// The camera as the list alone gives it.
const RouterClient cameraListRow(cameraMAC, QStringLiteral("192.168.8.20"), QStringLiteral("EOS R5"),
                                 QStringLiteral("5G"), -99, 0.0, true, 5000, 7000, std::nullopt);

enum class Expiry { http401, rpcAccessDenied };

// The router's JSON-RPC side on 127.0.0.1:80. Its challenge, password and
// accepted hash are a real recorded login (alg 1, no hash-method, so MD5 outer).
// A camera the list reports online, a phone gone offline, and a wired desktop;
// `tx` / `rx` are bytes per second there, never a rate.
class GlinetAdapterTest : public RouterAdapterTest<GlinetAdapter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(router.isListening()) << "port 80 needs run-on-private-loopback.sh";
        credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), password);
        ssh.acceptPassword(password);
        router.respondWith([this](QTcpSocket& socket) {
            const QJsonObject call = sent(router.requests().size() - 1);
            const QString method = call.value(QStringLiteral("method")).toString();
            LoopbackHttpServer::reply(scripted.contains(method) ? scripted[method] : answer(call))(socket);
        });
    }

    QJsonObject sent(qsizetype request) const { return json(router.requests().value(request).body); }
    QStringList methods(qsizetype from = 0) const {
        QStringList names;
        for (qsizetype request = from; request < router.requests().size(); ++request)
            names.append(sent(request).value(QStringLiteral("method")).toString());
        return names;
    }
    // Connects, then leaves a list request unanswered at the router.
    void hangAListRequest(std::function<void(QList<RouterClient>)> done) {
        ASSERT_TRUE(connectNow().first);
        router.respondWith({});
        adapter->fetchClients(std::move(done));
        ASSERT_TRUE(waitUntil([&] { return router.requests().size() == 3; }));
    }
    void answerRadio(const QByteArray& wlan1Stations = cameraStation) {
        ssh.answer(devices, R"({"devices":["wlan0","wlan1"]})");
        ssh.answer(assoclistWlan0, R"({"results":[{"mac":"02:00:00:00:00:09","signal":-40}]})");
        ssh.answer(assoclistWlan1, wlan1Stations);
    }

    QByteArray answer(const QJsonObject& call) {
        const QString method = call.value(QStringLiteral("method")).toString();
        QJsonObject answer{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                           {QStringLiteral("id"), call.value(QStringLiteral("id"))}};
        const QJsonObject denied = json(R"({"message":"Access denied","code":-32000})");
        if (method == QStringLiteral("challenge")) {
            answer.insert(QStringLiteral("result"), challenge);
        } else if (method == QStringLiteral("login") &&
                   call[QStringLiteral("params")][QStringLiteral("hash")].toString() == acceptedHash) {
            answer.insert(
                QStringLiteral("result"),
                QJsonObject{{QStringLiteral("username"), QStringLiteral("root")},
                            {QStringLiteral("sid"), QStringLiteral("sid-") + QString::number(++logins)}});
        } else if (method == QStringLiteral("call") && expiredListsLeft > 0) {
            --expiredListsLeft;
            if (expiry == Expiry::http401)
                return rpcAnswer(401, {});
            answer.insert(QStringLiteral("error"), denied);
        } else if (method == QStringLiteral("call")) {
            answer.insert(QStringLiteral("result"), QJsonObject{{QStringLiteral("clients"), clients}});
        } else {
            answer.insert(QStringLiteral("error"), denied);
        }
        return rpcAnswer(200, QJsonDocument(answer).toJson(QJsonDocument::Compact));
    }

    QJsonObject challenge = json(R"({"salt":"37784Ahz","alg":1,"nonce":"DhBsQ0VDGDiFrbWE0e0fmN5uW7Aql0Zq"})");
    QString acceptedHash = QStringLiteral("9a5ccac1bb5dd47d5898ef36d8386333");
    QJsonArray clients = QJsonDocument::fromJson(R"([
        {"mac":"78:f5:05:aa:bb:cc","ip":"192.168.8.20","name":"EOS R5","iface":"5G","online":true,
         "tx":1200,"rx":800,"total_tx":"5000","total_rx":7000},
        {"mac":"aa:bb:cc:dd:ee:01","ip":"192.168.8.21","iface":"2.4G","online":false},
        {"mac":"18:c0:4d:dc:4f:cc","ip":"192.168.8.148","name":"DESKTOP","iface":"eth0","online":true,
         "total_tx":470371319,"total_rx":397117728}])")
                             .array();
    int logins = 0;
    int expiredListsLeft = 0;
    Expiry expiry = Expiry::http401;
    // A raw answer for a method instead of the router's own; empty cuts the connection.
    QMap<QString, QByteArray> scripted;
    LoopbackHttpServer router{std::nullopt, 80};
};

TEST_F(GlinetAdapterTest, ConnectLogsInOverHttpBringsUpTheMasterAndTheListUsesBoth) {
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));

    ASSERT_EQ(router.lines(), (QList<QByteArray>{"80 POST /rpc", "80 POST /rpc"}));
    EXPECT_EQ(sent(0), json(challengeCall));
    EXPECT_EQ(sent(1), json(R"({"jsonrpc": "2.0", "method": "login",
        "params": {"username": "root", "hash": "9a5ccac1bb5dd47d5898ef36d8386333"}, "id": 1})"));
    for (const LoopbackHttpServer::Request& request : router.requests())
        EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{password});
    EXPECT_EQ(systemLog.lines(), QStringList({QStringLiteral("VT-2004 alg:1"), QStringLiteral("VT-2002"),
                                              QStringLiteral("VT-1002")}));

    // With a session and a live master there is nothing to do.
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(router.requests().size(), 2);
    EXPECT_EQ(ssh.masterStarts(), QStringList{QStringLiteral("root@127.0.0.1")});

    const QList<RouterClient> rows = clientsNow();
    EXPECT_EQ(sent(2), json(R"({"jsonrpc": "2.0", "method": "call",
        "params": ["sid-1", "clients", "get_list", {}], "id": 2})"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], cameraListRow);
    EXPECT_EQ(rows[1].iface, QStringLiteral("eth0"));
    clientsNow();
    EXPECT_EQ(methods().count(QStringLiteral("login")), 1);
}

struct LoginRejection {
    const char* name;
    const char* method;
    QByteArray answer;
    const char* logged;
};

class GlinetLoginRejectionTest : public GlinetAdapterTest,
                                 public testing::WithParamInterface<LoginRejection> {};

TEST_P(GlinetLoginRejectionTest, ConnectReportsHttpFailureAndStartsNoMaster) {
    scripted.insert(QLatin1String(GetParam().method), GetParam().answer);

    EXPECT_EQ(connectNow(), std::pair(false, std::optional(QStringLiteral("HTTP authentication failed"))));
    EXPECT_EQ(logged(QLatin1String(GetParam().logged)), 1) << systemLog.lines().join(u'|').toStdString();
    EXPECT_EQ(methods().contains(QStringLiteral("login")), GetParam().method == std::string("login"));
    EXPECT_TRUE(ssh.masterStarts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GlinetLoginRejectionTest,
    testing::Values(
        LoginRejection{"CodeInError", "login",
                       rpcAnswer(200, R"({"id":1,"error":{"message":"Access denied","code":-32000}})"),
                       "VT-2003 code:-32000"},
        LoginRejection{"CodeInResult", "login", rpcAnswer(200, R"({"id":1,"result":{"code":-1}})"),
                       "VT-2003 code:-1"},
        LoginRejection{"NoSid", "login", rpcAnswer(200, R"({"id":1,"result":{}})"), "VT-2003 no-sid"},
        LoginRejection{"LoginTimesOutOrResets", "login", {}, "VT-2003 no-sid"},
        LoginRejection{"ChallengeWithoutNonce", "challenge",
                       rpcAnswer(200, R"({"id":0,"result":{"salt":"37784Ahz","alg":1}})"),
                       "VT-2003 no-challenge"},
        LoginRejection{"ChallengeSaltOutsideCryptAlphabet", "challenge",
                       rpcAnswer(200, R"({"id":0,"result":{"salt":"rounds=9$x","alg":5,"nonce":"n"}})"),
                       "VT-2003 no-challenge"},
        LoginRejection{"HtmlErrorPage", "challenge", rpcAnswer(502, "<html><body>Bad Gateway</body></html>"),
                       "VT-2003 no-challenge"}),
    [](const testing::TestParamInfo<LoginRejection>& row) { return row.param.name; });

TEST_F(GlinetAdapterTest, OuterHashFollowsTheChallengesHashMethod) {
    challenge.insert(QStringLiteral("hash-method"), QStringLiteral("sha256"));
    acceptedHash = QStringLiteral("1a2dfeedaf01a84d16c5852a0e7981a38923b3d0ea2b5cbd5cf23ba1f1c24e32");

    EXPECT_EQ(connectNow().first, true);
}

TEST_F(GlinetAdapterTest, ConnectReportsSshFailureWhenTheMasterNeverComesUp) {
    ssh.acceptPassword(QStringLiteral("not the router's"));

    EXPECT_EQ(connectNow(), std::pair(false, std::optional(QStringLiteral("SSH connection failed"))));
    EXPECT_EQ(logged(QStringLiteral("VT-1003")), 1);
}

TEST_F(GlinetAdapterTest, AddressThatMakesNoUrlFailsWithoutARequest) {
    for (const QString& bad : {QStringLiteral("bad host"), QStringLiteral("10.0.0.1/admin?x="),
                               QStringLiteral("user@10.0.0.1"), QString()}) {
        address = bad;
        EXPECT_EQ(connectNow().first, false);
        EXPECT_FALSE(healthNow());
        EXPECT_TRUE(clientsNow().isEmpty());
    }
    EXPECT_TRUE(router.requests().isEmpty());
    EXPECT_EQ(logged(QStringLiteral("VT-2003 no-challenge")), 8);
}

TEST_F(GlinetAdapterTest, NoStoredPasswordOrNoRouterGivesNothing) {
    credentials.items.clear();
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientNow(cameraMAC), std::nullopt);
    EXPECT_TRUE(router.requests().isEmpty());

    credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), password);
    router.close();
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_FALSE(healthNow());
    EXPECT_EQ(connectNow().first, false);
}

class GlinetExpiryTest : public GlinetAdapterTest, public testing::WithParamInterface<Expiry> {};

TEST_P(GlinetExpiryTest, FirstExpiryLogsInOnceAndRepeatsSecondGivesNothing) {
    expiry = GetParam();
    clientsNow();
    const QStringList relogin = calls("call challenge login call");

    expiredListsLeft = 1;
    qsizetype from = router.requests().size();
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(methods(from), relogin);
    EXPECT_EQ(sent(from + 3)[QStringLiteral("params")][0], QStringLiteral("sid-2"));

    expiredListsLeft = 2;
    from = router.requests().size();
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(methods(from), relogin);

    // The expired session was forgotten: the next request starts with a login.
    from = router.requests().size();
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(methods(from).first(), QStringLiteral("challenge"));
}

INSTANTIATE_TEST_SUITE_P(Answers, GlinetExpiryTest, testing::Values(Expiry::http401, Expiry::rpcAccessDenied),
                         [](const testing::TestParamInfo<Expiry>& row) {
                             return row.param == Expiry::http401 ? "Http401" : "RpcAccessDenied";
                         });

struct UnusableList {
    const char* name;
    QByteArray answer;
};

class GlinetUnusableListTest : public GlinetAdapterTest, public testing::WithParamInterface<UnusableList> {};

TEST_P(GlinetUnusableListTest, GivesNoRowsAndNoTarget) {
    scripted.insert(QStringLiteral("call"), GetParam().answer);

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientNow(cameraMAC), std::nullopt);
    EXPECT_TRUE(ssh.commands().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GlinetUnusableListTest,
    testing::Values(UnusableList{"HtmlErrorPage", rpcAnswer(500, "<html>Internal Server Error</html>")},
                    UnusableList{"CutOffJson", rpcAnswer(200, R"({"result":{"clients":[{"mac":"78:f5)")},
                    UnusableList{"ClientsNotAnArray", rpcAnswer(200, R"({"result":{"clients":"none"}})")},
                    UnusableList{"NoResult", rpcAnswer(200, R"({"id":2})")},
                    UnusableList{"WrongTypesInRows", rpcAnswer(200, R"({"result":{"clients":[
                        {"mac":42,"online":true},["78:f5:05:aa:bb:cc"],null]}})")},
                    UnusableList{"ConnectionReset", {}}),
    [](const testing::TestParamInfo<UnusableList>& row) { return row.param.name; });

TEST_F(GlinetAdapterTest, HealthProbeSendsTheChallengeAndWantsASaltWithinThreeSeconds) {
    EXPECT_TRUE(healthNow());
    // The same probe that tells the family apart.
    EXPECT_EQ(sent(router.requests().size() - 1),
              json(R"({"method":"challenge","params":{"username":"root"},"id":1})"));

    scripted.insert(QStringLiteral("challenge"), rpcAnswer(200, R"({"result":{"salt":7}})"));
    EXPECT_FALSE(healthNow());

    router.respondWith({});
    expectHealthFailsAtTheDeadline();
}

TEST_F(GlinetAdapterTest, TargetPollMergesTheListRowWithTheStationsRadio) {
    settings.writeString(SettingsKey::targetMAC, cameraMAC.toUpper());
    answerRadio();

    testing::internal::CaptureStderr();
    const std::optional<RouterClient> row = clientNow(cameraMAC.toUpper());
    clientNow(cameraMAC.toUpper());
    const QString printed = QString::fromStdString(testing::internal::GetCapturedStderr());

    EXPECT_EQ(row, (RouterClient{cameraMAC, QStringLiteral("192.168.8.20"), QStringLiteral("EOS R5"),
                                 QStringLiteral("5G"), -61, 866.7, true, 123456, 654321,
                                 ClientLinkDetail{9, 2, 80, true, QStringLiteral("ac")}}));
    QStringList onePoll;
    for (const QString& command : {QStringLiteral("ping -c 1 192.168.8.20 >/dev/null 2>&1 &"), devices,
                                   assoclistWlan0, assoclistWlan1})
        onePoll.append(sshLogin + command);
    EXPECT_EQ(ssh.commands(), onePoll + onePoll);
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{password});

    // Each dump once per run, printed and logged; a reset starts a new run.
    const QString dump = QStringLiteral("[DIAG] GL.iNet %1 fields for 78:F5:05:AA:BB:CC:");
    EXPECT_EQ(printed.count(dump.arg(QStringLiteral("clients.get_list"))), 1);
    EXPECT_EQ(printed.count(dump.arg(QStringLiteral("iwinfo assoclist"))), 1);
    EXPECT_TRUE(printed.contains(QStringLiteral("\n  total_tx = 5000\n")));
    EXPECT_EQ(logged(QStringLiteral("VT-5001 [DIAG]")), 2);
    adapter->resetSession();
    testing::internal::CaptureStderr();
    clientNow(cameraMAC);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(logged(QStringLiteral("VT-5001 [DIAG]")), 4);
}

TEST_F(GlinetAdapterTest, TargetWithoutRadioDataKeepsTheListRow) {
    ssh.answer(devices, "Command failed: Not found\n");
    EXPECT_EQ(clientNow(cameraMAC), cameraListRow);
    EXPECT_EQ(logged(QStringLiteral("VT-3003 ubus call iwinfo devices")), 1);

    ssh.forgetAnswers();
    answerRadio(R"({"results":[]})");
    EXPECT_EQ(clientNow(cameraMAC), cameraListRow);
    EXPECT_EQ(logged(QStringLiteral("VT-3005 ") + cameraMAC), 1);
}

TEST_F(GlinetAdapterTest, TargetPollAsksTheShellOnlyForAListedTargetAndPingsOnlyDottedQuads) {
    EXPECT_EQ(clientNow(QStringLiteral("02:00:00:00:00:77")), std::nullopt);
    EXPECT_EQ(clientNow(QStringLiteral("aa:bb:cc:dd:ee:01")), std::nullopt) << "offline, so not kept";
    EXPECT_TRUE(ssh.commands().isEmpty());

    QJsonObject camera = clients[0].toObject();
    camera.insert(QStringLiteral("ip"), QStringLiteral("192.168.8.20; reboot"));
    clients[0] = camera;
    answerRadio();
    ASSERT_TRUE(clientNow(cameraMAC));
    EXPECT_EQ(ssh.commands().first(), sshLogin + devices);
}

TEST_F(GlinetAdapterTest, ModelNameComesFromTheBoardOverSsh) {
    ssh.answer(QStringLiteral("ubus call system board"), R"({"model":"GL.iNet GL-MT6000, rev 2"})");
    EXPECT_EQ(modelNow(), QStringLiteral("Flint 2 (GL-MT6000)"));

    ssh.forgetAnswers();
    EXPECT_EQ(modelNow(), std::nullopt);
    EXPECT_EQ(logged(QStringLiteral("VT-3003 ubus call system board")), 1);
}

TEST_F(GlinetAdapterTest, DisconnectClosesTheMasterAndEndsRequestsInFlight) {
    int completions = 0;
    hangAListRequest([&](const QList<RouterClient>& rows) {
        EXPECT_TRUE(rows.isEmpty());
        ++completions;
    });

    adapter->disconnect();
    EXPECT_TRUE(waitUntil([&] { return completions == 1 && ssh.masterExits().size() == 1; }, 2000));
    pump(200);
    EXPECT_EQ(completions, 1);
}

TEST_F(GlinetAdapterTest, ResetWhileLoggingInLeavesNoSession) {
    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
    adapter->resetSession();
    ASSERT_TRUE(waitUntil([&] { return rows.has_value(); }));

    // Not even the challenge goes out once the session is gone.
    EXPECT_TRUE(rows->isEmpty());
    clientsNow();
    EXPECT_EQ(methods(), calls("challenge login call"));
}

TEST_F(GlinetAdapterTest, DestroyedWithARequestInFlightNeverCompletes) {
    bool completed = false;
    hangAListRequest([&](const QList<RouterClient>&) { completed = true; });

    pool.waitForDone();
    adapter.reset();
    pump(300);
    EXPECT_FALSE(completed);
}

} // namespace
