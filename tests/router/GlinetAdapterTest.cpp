#include "router/GlinetAdapter.h"

#include "FakeSshScript.h"
#include "MemoryCredentialStore.h"
#include "SshTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

namespace {

QJsonObject json(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

QByteArray httpAnswer(int status, const QByteArray& body) {
    // Real firmware serves JSON-RPC as application/octet-stream as often as not.
    return "HTTP/1.1 " + QByteArray::number(status) +
           " Status\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

struct RpcCall {
    QByteArray head;
    QJsonObject body;
    QString method() const { return body.value(QStringLiteral("method")).toString(); }
};

// The router's JSON-RPC side on 127.0.0.1:80. Its challenge, password and
// accepted hash are a real recorded login (alg 1, no hash-method, so MD5 outer).
class FakeGlinetRouter {
public:
    enum class Expiry { http401, rpcAccessDenied };

    FakeGlinetRouter() {
        QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                accept(socket);
        });
        server.listen(QHostAddress::LocalHost, 80);
    }
    bool isListening() const { return server.isListening(); }
    void stopListening() { server.close(); }

    QStringList methods() const {
        QStringList names;
        for (const RpcCall& call : calls)
            names.append(call.method());
        return names;
    }

    static inline const QString password = QStringLiteral("jdlkjLJlkd=(//&%/&dskdBBDs192837");
    QJsonObject challenge = json(R"({"salt":"37784Ahz","alg":1,"nonce":"DhBsQ0VDGDiFrbWE0e0fmN5uW7Aql0Zq"})");
    QString acceptedHash = QStringLiteral("9a5ccac1bb5dd47d5898ef36d8386333");
    QJsonArray clients;
    int expiredListsLeft = 0;
    Expiry expiry = Expiry::http401;
    // A raw answer for a method instead of the router's own; empty closes the connection.
    QMap<QString, QByteArray> scripted;
    bool silent = false;
    QList<RpcCall> calls;

private:
    void accept(QTcpSocket* socket) {
        auto pending = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            *pending += socket->readAll();
            while (std::optional<RpcCall> call = takeCall(*pending)) {
                calls.append(*call);
                if (!silent)
                    respond(*socket, *call);
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    static std::optional<RpcCall> takeCall(QByteArray& pending) {
        const qsizetype headEnd = pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return std::nullopt;
        const QByteArray head = pending.left(headEnd);
        qsizetype length = 0;
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (pending.size() < headEnd + 4 + length)
            return std::nullopt;
        RpcCall call{head, QJsonDocument::fromJson(pending.mid(headEnd + 4, length)).object()};
        pending.remove(0, headEnd + 4 + length);
        return call;
    }

    void respond(QTcpSocket& socket, const RpcCall& call) {
        if (const auto script = scripted.constFind(call.method()); script != scripted.cend()) {
            if (script->isEmpty())
                socket.abort();
            else
                socket.write(*script);
            return;
        }
        socket.write(routerAnswer(call));
    }

    QByteArray routerAnswer(const RpcCall& call) {
        const QString method = call.method();
        const QJsonValue params = call.body.value(QStringLiteral("params"));
        QJsonObject answer{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                           {QStringLiteral("id"), call.body.value(QStringLiteral("id"))}};
        if (method == QStringLiteral("challenge")) {
            answer.insert(QStringLiteral("result"), challenge);
        } else if (method == QStringLiteral("login") &&
                   params.toObject().value(QStringLiteral("hash")).toString() == acceptedHash) {
            ++logins;
            answer.insert(
                QStringLiteral("result"),
                QJsonObject{{QStringLiteral("username"), QStringLiteral("root")},
                            {QStringLiteral("sid"), QStringLiteral("sid-") + QString::number(logins)}});
        } else if (method == QStringLiteral("call") && expiredListsLeft > 0) {
            --expiredListsLeft;
            if (expiry == Expiry::http401)
                return httpAnswer(401, {});
            answer.insert(QStringLiteral("error"), json(R"({"message":"Access denied","code":-32000})"));
        } else if (method == QStringLiteral("call")) {
            answer.insert(QStringLiteral("result"), QJsonObject{{QStringLiteral("clients"), clients}});
        } else {
            answer.insert(QStringLiteral("error"), json(R"({"message":"Access denied","code":-32000})"));
        }
        return httpAnswer(200, QJsonDocument(answer).toJson(QJsonDocument::Compact));
    }

    QTcpServer server;
    int logins = 0;
};

const QString cameraMAC = QStringLiteral("78:f5:05:aa:bb:cc");

// A camera the list reports online, a phone gone offline, and a wired desktop;
// `tx` / `rx` are bytes per second there, never a rate.
QJsonArray sampleClients() {
    return QJsonDocument::fromJson(R"([
        {"mac":"78:f5:05:aa:bb:cc","ip":"192.168.8.20","name":"EOS R5","iface":"5G","online":true,
         "tx":1200,"rx":800,"total_tx":"5000","total_rx":7000},
        {"mac":"aa:bb:cc:dd:ee:01","ip":"192.168.8.21","iface":"2.4G","online":false},
        {"mac":"18:c0:4d:dc:4f:cc","ip":"192.168.8.148","name":"DESKTOP","iface":"eth0","online":true,
         "total_tx":470371319,"total_rx":397117728}])")
        .array();
}

const QByteArray devicesAnswer = R"({"devices":["wlan0","wlan1"]})";
const QString assoclistWlan0 = QStringLiteral(R"(ubus call iwinfo assoclist '{"device":"wlan0"}')");
const QString assoclistWlan1 = QStringLiteral(R"(ubus call iwinfo assoclist '{"device":"wlan1"}')");
// OpenWrt writes station MACs in upper case.
const QByteArray cameraStation = R"({"results":[{"mac":"78:F5:05:AA:BB:CC","signal":-61,
    "tx":{"rate":866700,"mcs":9,"nss":2,"short_gi":true,"bytes":123456},"rx":{"bytes":654321}}]})";

class GlinetAdapterTest : public testing::Test {
protected:
    void SetUp() override {
        // Port 80 may only be served inside the private namespace of
        // run-on-private-loopback.sh.
        if (qEnvironmentVariable("VELTRANO_PRIVATE_LOOPBACK") != QStringLiteral("1"))
            GTEST_SKIP() << "needs the private loopback namespace";
        router = std::make_unique<FakeGlinetRouter>();
        ASSERT_TRUE(router->isListening());
        credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), FakeGlinetRouter::password);
        router->clients = sampleClients();
        adapter = std::make_unique<GlinetAdapter>(access);
    }
    void TearDown() override {
        pool.waitForDone();
        adapter.reset();
    }

    std::pair<bool, std::optional<QString>> connectNow() {
        std::optional<std::pair<bool, std::optional<QString>>> result;
        adapter->connect([&](bool success, std::optional<QString> message) { result = {success, message}; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 10000));
        return result.value_or(std::pair{false, std::nullopt});
    }
    QList<RouterClient> clientsNow() {
        std::optional<QList<RouterClient>> rows;
        adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
        EXPECT_TRUE(waitUntil([&] { return rows.has_value(); }, 10000));
        return rows.value_or(QList<RouterClient>());
    }
    std::optional<RouterClient> targetNow(const QString& mac = cameraMAC) {
        std::optional<std::optional<RouterClient>> row;
        adapter->fetchClient(mac, [&](std::optional<RouterClient> client) { row = client; });
        EXPECT_TRUE(waitUntil([&] { return row.has_value(); }, 10000));
        return row.value_or(std::nullopt);
    }
    bool healthNow() {
        std::optional<bool> healthy;
        adapter->probeRouterHealth([&](bool answer) { healthy = answer; });
        EXPECT_TRUE(waitUntil([&] { return healthy.has_value(); }, 10000));
        return healthy.value_or(false);
    }
    void answerRadio(const QByteArray& assoclistWlan1Answer = cameraStation) {
        ssh.answer(QStringLiteral("ubus call iwinfo devices"), devicesAnswer);
        ssh.answer(assoclistWlan0, R"({"results":[{"mac":"02:00:00:00:00:09","signal":-40}]})");
        ssh.answer(assoclistWlan1, assoclistWlan1Answer);
    }
    qsizetype logged(const QString& line) const { return systemLog.count(line); }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    ThreadSafeRecordingLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    MemoryCredentialStore credentials;
    QThreadPool pool;
    QString address = QStringLiteral("127.0.0.1");
    RouterAccess access{settings,
                        credentials,
                        logger,
                        pool,
                        [this] { return address; },
                        environment.path(QStringLiteral("run"))};
    FakeSshScript ssh{environment.path(QStringLiteral("bin"))};
    std::unique_ptr<FakeGlinetRouter> router;
    std::unique_ptr<GlinetAdapter> adapter;
};

TEST_F(GlinetAdapterTest, ConnectLogsInOverHttpThenBringsUpTheMaster) {
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));

    ASSERT_EQ(router->calls.size(), 2);
    EXPECT_EQ(router->calls[0].body,
              json(R"({"jsonrpc": "2.0", "method": "challenge", "params": {"username": "root"}, "id": 0})"));
    EXPECT_EQ(router->calls[1].body, json(R"({"jsonrpc": "2.0", "method": "login",
        "params": {"username": "root", "hash": "9a5ccac1bb5dd47d5898ef36d8386333"}, "id": 1})"));
    for (const RpcCall& call : router->calls) {
        EXPECT_TRUE(call.head.startsWith("POST /rpc HTTP/1.1\r\n")) << call.head.constData();
        EXPECT_TRUE(call.head.contains("\r\nContent-Type: application/json\r\n")) << call.head.constData();
    }
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{FakeGlinetRouter::password});
    EXPECT_EQ(systemLog.lines(), QStringList({QStringLiteral("VT-2004 alg:1"), QStringLiteral("VT-2002"),
                                              QStringLiteral("VT-1002")}));

    // With a session and a live master there is nothing to do.
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(router->calls.size(), 2);
    EXPECT_EQ(ssh.masterStarts(), 1);
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
    router->scripted.insert(QLatin1String(GetParam().method), GetParam().answer);

    EXPECT_EQ(connectNow(), std::pair(false, std::optional(QStringLiteral("HTTP authentication failed"))));
    EXPECT_EQ(logged(QLatin1String(GetParam().logged)), 1) << systemLog.lines().join(u'|').toStdString();
    EXPECT_EQ(router->methods().contains(QStringLiteral("login")), GetParam().method == std::string("login"));
    EXPECT_EQ(ssh.masterStarts(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GlinetLoginRejectionTest,
    testing::Values(
        LoginRejection{"CodeInError", "login",
                       httpAnswer(200, R"({"id":1,"error":{"message":"Access denied","code":-32000}})"),
                       "VT-2003 code:-32000"},
        LoginRejection{"CodeInResult", "login", httpAnswer(200, R"({"id":1,"result":{"code":-1}})"),
                       "VT-2003 code:-1"},
        LoginRejection{"NoSid", "login", httpAnswer(200, R"({"id":1,"result":{}})"), "VT-2003 no-sid"},
        LoginRejection{"LoginTimesOutOrResets", "login", {}, "VT-2003 no-sid"},
        LoginRejection{"ChallengeWithoutNonce", "challenge",
                       httpAnswer(200, R"({"id":0,"result":{"salt":"37784Ahz","alg":1}})"),
                       "VT-2003 no-challenge"},
        LoginRejection{"ChallengeSaltOutsideCryptAlphabet", "challenge",
                       httpAnswer(200, R"({"id":0,"result":{"salt":"rounds=9$x","alg":5,"nonce":"n"}})"),
                       "VT-2003 no-challenge"},
        LoginRejection{"HtmlErrorPage", "challenge", httpAnswer(502, "<html><body>Bad Gateway</body></html>"),
                       "VT-2003 no-challenge"}),
    [](const testing::TestParamInfo<LoginRejection>& row) { return row.param.name; });

TEST_F(GlinetAdapterTest, OuterHashFollowsTheChallengesHashMethod) {
    router->challenge.insert(QStringLiteral("hash-method"), QStringLiteral("sha256"));
    router->acceptedHash = QStringLiteral("1a2dfeedaf01a84d16c5852a0e7981a38923b3d0ea2b5cbd5cf23ba1f1c24e32");

    EXPECT_EQ(connectNow().first, true);
}

TEST_F(GlinetAdapterTest, ConnectReportsSshFailureWhenTheMasterNeverComesUp) {
    ssh.refuseMaster();

    EXPECT_EQ(connectNow(), std::pair(false, std::optional(QStringLiteral("SSH connection failed"))));
    EXPECT_EQ(logged(QStringLiteral("VT-1003")), 1);
}

TEST_F(GlinetAdapterTest, AddressThatMakesNoUrlFailsWithoutARequestAndNeverInsideTheCall) {
    for (const QString& bad : {QStringLiteral("bad host"), QStringLiteral("10.0.0.1/admin?x="),
                               QStringLiteral("user@10.0.0.1"), QString()}) {
        address = bad;
        bool called = false;
        adapter->connect([&](bool, std::optional<QString>) { called = true; });
        EXPECT_FALSE(called);
        EXPECT_TRUE(waitUntil([&] { return called; }));
        EXPECT_FALSE(healthNow());
        EXPECT_TRUE(clientsNow().isEmpty());
    }
    EXPECT_TRUE(router->calls.isEmpty());
    EXPECT_EQ(logged(QStringLiteral("VT-2003 no-challenge")), 8);
}

TEST_F(GlinetAdapterTest, ClientListLogsInFirstAndMapsKeptRows) {
    const QList<RouterClient> rows = clientsNow();

    EXPECT_EQ(router->methods(),
              QStringList({QStringLiteral("challenge"), QStringLiteral("login"), QStringLiteral("call")}));
    EXPECT_EQ(router->calls[2].body, json(R"({"jsonrpc": "2.0", "method": "call",
        "params": ["sid-1", "clients", "get_list", {}], "id": 2})"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (RouterClient{cameraMAC, QStringLiteral("192.168.8.20"), QStringLiteral("EOS R5"),
                                     QStringLiteral("5G"), -99, 0.0, true, 5000, 7000, std::nullopt}));
    EXPECT_EQ(rows[1].iface, QStringLiteral("eth0"));

    // The session is kept.
    clientsNow();
    EXPECT_EQ(router->methods().count(QStringLiteral("login")), 1);
}

TEST_F(GlinetAdapterTest, NoStoredPasswordGivesAnEmptyListWithoutARequest) {
    credentials.items.clear();

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(targetNow(), std::nullopt);
    EXPECT_TRUE(router->calls.isEmpty());
}

class GlinetExpiryTest : public GlinetAdapterTest,
                         public testing::WithParamInterface<FakeGlinetRouter::Expiry> {};

TEST_P(GlinetExpiryTest, FirstExpiryLogsInOnceAndRepeatsSecondGivesNothing) {
    router->expiry = GetParam();
    clientsNow();
    router->calls.clear();

    router->expiredListsLeft = 1;
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(router->methods(), QStringList({QStringLiteral("call"), QStringLiteral("challenge"),
                                              QStringLiteral("login"), QStringLiteral("call")}));
    EXPECT_EQ(router->calls[3].body.value(QStringLiteral("params")).toArray().first(),
              QStringLiteral("sid-2"));
    router->calls.clear();

    router->expiredListsLeft = 2;
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(router->methods(), QStringList({QStringLiteral("call"), QStringLiteral("challenge"),
                                              QStringLiteral("login"), QStringLiteral("call")}));
    router->calls.clear();

    // The expired session was forgotten: the next request starts with a login.
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(router->methods().first(), QStringLiteral("challenge"));
}

INSTANTIATE_TEST_SUITE_P(Answers, GlinetExpiryTest,
                         testing::Values(FakeGlinetRouter::Expiry::http401,
                                         FakeGlinetRouter::Expiry::rpcAccessDenied),
                         [](const testing::TestParamInfo<FakeGlinetRouter::Expiry>& row) {
                             return row.param == FakeGlinetRouter::Expiry::http401 ? "Http401"
                                                                                   : "RpcAccessDenied";
                         });

struct UnusableList {
    const char* name;
    QByteArray answer;
};

class GlinetUnusableListTest : public GlinetAdapterTest, public testing::WithParamInterface<UnusableList> {};

TEST_P(GlinetUnusableListTest, GivesNoRowsAndNoTarget) {
    router->scripted.insert(QStringLiteral("call"), GetParam().answer);

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(targetNow(), std::nullopt);
    EXPECT_TRUE(ssh.commands().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GlinetUnusableListTest,
    testing::Values(UnusableList{"HtmlErrorPage", httpAnswer(500, "<html>Internal Server Error</html>")},
                    UnusableList{"CutOffJson", httpAnswer(200, R"({"result":{"clients":[{"mac":"78:f5)")},
                    UnusableList{"ClientsNotAnArray", httpAnswer(200, R"({"result":{"clients":"none"}})")},
                    UnusableList{"NoResult", httpAnswer(200, R"({"id":2})")},
                    UnusableList{"WrongTypesInRows", httpAnswer(200, R"({"result":{"clients":[
                        {"mac":42,"online":true},["78:f5:05:aa:bb:cc"],null]}})")},
                    UnusableList{"ConnectionReset", {}}),
    [](const testing::TestParamInfo<UnusableList>& row) { return row.param.name; });

TEST_F(GlinetAdapterTest, RouterThatStoppedListeningGivesNothing) {
    router->stopListening();

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_FALSE(healthNow());
    EXPECT_EQ(connectNow().first, false);
}

TEST_F(GlinetAdapterTest, HealthProbeSendsTheChallengeAndWantsASalt) {
    EXPECT_TRUE(healthNow());
    EXPECT_EQ(router->calls.last().body,
              json(R"({"jsonrpc": "2.0", "method": "challenge", "params": {"username": "root"}, "id": 0})"));

    router->scripted.insert(QStringLiteral("challenge"), httpAnswer(200, R"({"result":{"salt":7}})"));
    EXPECT_FALSE(healthNow());

    router->silent = true;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(healthNow());
    EXPECT_GE(elapsed.elapsed(), 2900);
    EXPECT_LT(elapsed.elapsed(), 4500);
}

TEST_F(GlinetAdapterTest, TargetPollMergesTheListRowWithTheStationsRadio) {
    settings.writeString(SettingsKey::targetMAC, cameraMAC.toUpper());
    answerRadio();

    testing::internal::CaptureStdout();
    const std::optional<RouterClient> row = targetNow(cameraMAC.toUpper());
    targetNow(cameraMAC.toUpper());
    const QString printed = QString::fromStdString(testing::internal::GetCapturedStdout());

    ASSERT_TRUE(row);
    ClientLinkDetail detail{9, 2, 80, true, QStringLiteral("ac")};
    EXPECT_EQ(*row, (RouterClient{cameraMAC, QStringLiteral("192.168.8.20"), QStringLiteral("EOS R5"),
                                  QStringLiteral("5G"), -61, 866.7, true, 123456, 654321, detail}));
    const QStringList onePoll = {QStringLiteral("ping -c 1 192.168.8.20 >/dev/null 2>&1 &"),
                                 QStringLiteral("ubus call iwinfo devices"), assoclistWlan0, assoclistWlan1};
    EXPECT_EQ(ssh.commands(), onePoll + onePoll);
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{FakeGlinetRouter::password});

    // Each dump once per run, printed and logged; a reset starts a new run.
    const QString listDump = QStringLiteral("[DIAG] GL.iNet clients.get_list fields for 78:F5:05:AA:BB:CC:");
    const QString stationDump =
        QStringLiteral("[DIAG] GL.iNet iwinfo assoclist fields for 78:F5:05:AA:BB:CC:");
    EXPECT_EQ(printed.count(listDump), 1);
    EXPECT_EQ(printed.count(stationDump), 1);
    EXPECT_TRUE(printed.contains(QStringLiteral("\n  total_tx = 5000\n")));
    EXPECT_EQ(systemLog.lines().filter(QStringLiteral("VT-5001 [DIAG]")).size(), 2);
    adapter->resetSession();
    testing::internal::CaptureStdout();
    targetNow();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(systemLog.lines().filter(QStringLiteral("VT-5001 [DIAG]")).size(), 4);
}

TEST_F(GlinetAdapterTest, TargetWithoutRadioDataKeepsTheListRow) {
    const RouterClient listRow{cameraMAC,
                               QStringLiteral("192.168.8.20"),
                               QStringLiteral("EOS R5"),
                               QStringLiteral("5G"),
                               -99,
                               0.0,
                               true,
                               5000,
                               7000,
                               std::nullopt};

    ssh.answer(QStringLiteral("ubus call iwinfo devices"), "Command failed: Not found\n");
    EXPECT_EQ(targetNow(), listRow);
    EXPECT_EQ(logged(QStringLiteral("VT-3003 ubus call iwinfo devices")), 1);

    ssh.forgetAnswers();
    answerRadio(R"({"results":[]})");
    EXPECT_EQ(targetNow(), listRow);
    EXPECT_EQ(logged(QStringLiteral("VT-3005 ") + cameraMAC), 1);
}

TEST_F(GlinetAdapterTest, TargetPollAsksTheShellOnlyForAListedTargetAndPingsOnlyDottedQuads) {
    EXPECT_EQ(targetNow(QStringLiteral("02:00:00:00:00:77")), std::nullopt);
    EXPECT_EQ(targetNow(QStringLiteral("aa:bb:cc:dd:ee:01")), std::nullopt) << "offline, so not kept";
    EXPECT_TRUE(ssh.commands().isEmpty());

    QJsonObject camera = router->clients[0].toObject();
    camera.insert(QStringLiteral("ip"), QStringLiteral("192.168.8.20; reboot"));
    router->clients[0] = camera;
    answerRadio();
    ASSERT_TRUE(targetNow());
    EXPECT_EQ(ssh.commands().first(), QStringLiteral("ubus call iwinfo devices"));
}

TEST_F(GlinetAdapterTest, ModelNameComesFromTheBoardOverSsh) {
    std::optional<std::optional<QString>> model;
    const auto fetchModel = [&] {
        model.reset();
        adapter->fetchModelName([&](std::optional<QString> name) { model = name; });
        EXPECT_TRUE(waitUntil([&] { return model.has_value(); }, 10000));
        return model.value_or(std::nullopt);
    };
    ssh.answer(QStringLiteral("ubus call system board"), R"({"model":"GL.iNet GL-MT6000, rev 2"})");
    EXPECT_EQ(fetchModel(), QStringLiteral("Flint 2 (GL-MT6000)"));

    ssh.forgetAnswers();
    EXPECT_EQ(fetchModel(), std::nullopt);
    EXPECT_EQ(logged(QStringLiteral("VT-3003 ubus call system board")), 1);
}

TEST_F(GlinetAdapterTest, DisconnectClosesTheMasterAndEndsRequestsInFlight) {
    ASSERT_TRUE(connectNow().first);
    router->silent = true;
    int completions = 0;
    adapter->fetchClients([&](const QList<RouterClient>& rows) {
        EXPECT_TRUE(rows.isEmpty());
        ++completions;
    });
    ASSERT_TRUE(waitUntil([&] { return router->calls.size() == 3; }));

    adapter->disconnect();
    EXPECT_TRUE(waitUntil([&] { return completions == 1 && ssh.masterExits() == 1; }, 2000));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(completions, 1);
}

TEST_F(GlinetAdapterTest, ResetWhileLoggingInLeavesNoSession) {
    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
    adapter->resetSession();
    ASSERT_TRUE(waitUntil([&] { return rows.has_value(); }));

    EXPECT_TRUE(rows->isEmpty());
    clientsNow();
    EXPECT_EQ(router->methods(),
              QStringList({QStringLiteral("challenge"), QStringLiteral("login"), QStringLiteral("challenge"),
                           QStringLiteral("login"), QStringLiteral("call")}));
}

TEST_F(GlinetAdapterTest, DestroyedWithARequestInFlightNeverCompletes) {
    ASSERT_TRUE(connectNow().first);
    router->silent = true;
    bool completed = false;
    adapter->fetchClients([&](const QList<RouterClient>&) { completed = true; });
    ASSERT_TRUE(waitUntil([&] { return router->calls.size() == 3; }));

    pool.waitForDone();
    adapter.reset();
    waitUntil([] { return false; }, 300);
    EXPECT_FALSE(completed);
}

} // namespace
