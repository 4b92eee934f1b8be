#include "router/glinet/GlinetAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "router/identity/IdentityChangedMessage.h"
#include "settings/SettingsKeys.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

QJsonObject json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

QByteArray rpcAnswer(int status, const QByteArray& body) {
    // Real firmware serves JSON-RPC as application/octet-stream as often as not.
    return LoopbackHttpServer::answer(status, body, "Content-Type: application/octet-stream\r\n");
}

const QString password = u"jdlkjLJlkd=(//&%/&dskdBBDs192837"_s;
const QString cameraMAC = u"78:f5:05:aa:bb:cc"_s;
const QStringList loginAndList{u"challenge"_s, u"login"_s, u"call"_s};
const QByteArray clientList = R"([
    {"mac":"78:f5:05:aa:bb:cc","ip":"192.168.8.20","name":"EOS R5","iface":"5G","online":true,
     "tx":1200,"rx":800,"total_tx":"5000","total_rx":7000},
    {"mac":"aa:bb:cc:dd:ee:01","ip":"192.168.8.21","iface":"2.4G","online":false},
    {"mac":"18:c0:4d:dc:4f:cc","ip":"192.168.8.148","name":"DESKTOP","iface":"eth0","online":true}])";

// The router's JSON-RPC side on 127.0.0.1, over HTTPS on 443 and HTTP on 80 as
// firmware 4 serves it. Its challenge, password and accepted hash are a real
// recorded login (alg 1, no hash-method, so MD5 outer). A camera the list
// reports online, a phone gone offline, and a wired desktop.
class GlinetAdapterTest : public RouterAdapterTest<GlinetAdapter> {
protected:
    void SetUp() override {
        router.listen(routerTls(), 443);
        ASSERT_TRUE(router.isListening()) << "ports 80 and 443 need run-on-private-loopback.sh";
        credentials.items.insert(u"routerPassword_127.0.0.1"_s, password);
        ssh.acceptPassword(password);
        router.respondWith([this](QTcpSocket& socket) {
            const QJsonObject call = sent(router.requests().size() - 1);
            const QString method = call[u"method"_s].toString();
            methods.append(method);
            LoopbackHttpServer::reply(scripted.contains(method) ? scripted[method] : answer(call))(socket);
        });
    }

    QJsonObject sent(qsizetype request) const { return json(router.requests().value(request).body); }

    QByteArray answer(const QJsonObject& call) {
        const QString method = call[u"method"_s].toString();
        QJsonObject answer{{u"jsonrpc"_s, u"2.0"_s}, {u"id"_s, call[u"id"_s]}};
        if (method == u"challenge"_s) {
            answer[u"result"_s] =
                json(R"({"salt":"37784Ahz","alg":1,"nonce":"DhBsQ0VDGDiFrbWE0e0fmN5uW7Aql0Zq"})");
        } else if (method == u"login"_s &&
                   call[u"params"_s][u"hash"_s] == u"9a5ccac1bb5dd47d5898ef36d8386333"_s) {
            answer[u"result"_s] = QJsonObject{{u"sid"_s, u"sid-%1"_s.arg(++logins)}};
        } else if (method == u"call"_s && expiredListsLeft == 0) {
            answer[u"result"_s] = QJsonObject{{u"clients"_s, QJsonDocument::fromJson(clientList).array()}};
        } else {
            expiredListsLeft -= method == u"call"_s;
            answer[u"error"_s] = json(R"({"message":"Access denied","code":-32000})");
        }
        return rpcAnswer(200, QJsonDocument(answer).toJson(QJsonDocument::Compact));
    }

    // The method of each call the router was asked, in order.
    QStringList methods;
    int logins = 0;
    int expiredListsLeft = 0;
    // A raw answer for a method instead of the router's own; empty cuts the connection.
    QMap<QString, QByteArray> scripted;
    LoopbackHttpServer router{std::nullopt, 80};
};

TEST_F(GlinetAdapterTest, ConnectLogsInOverHttpsBringsUpTheMasterAndTheListUsesBoth) {
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(sent(0),
              json(R"({"jsonrpc": "2.0", "method": "challenge", "params": {"username": "root"}, "id": 0})"));
    EXPECT_EQ(sent(1), json(R"({"jsonrpc": "2.0", "method": "login",
        "params": {"username": "root", "hash": "9a5ccac1bb5dd47d5898ef36d8386333"}, "id": 1})"));
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{password});
    EXPECT_EQ(systemLog.lines(),
              (QStringList{u"VT-2004 alg:1"_s, u"VT-2002 https://127.0.0.1"_s, u"VT-1002"_s}));
    // The first login keeps the router's certificate and the way it logged us in.
    EXPECT_TRUE(identities.standing(address).certificatePinned);
    EXPECT_EQ(identities.standing(address).record, (RouterRecord{u"glinet"_s, u"https"_s, 1, u"md5"_s}));

    // With a session and a live master there is nothing to do.
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(ssh.masterStarts(), QStringList{u"root@127.0.0.1"_s});
    EXPECT_EQ(clientsNow().value(0), RouterClient(cameraMAC, u"192.168.8.20"_s, u"EOS R5"_s, u"5G"_s, -99,
                                                  0.0, true, 5000, 7000, std::nullopt));
    EXPECT_EQ(sent(2), json(R"({"jsonrpc": "2.0", "method": "call",
        "params": ["sid-1", "clients", "get_list", {}], "id": 2})"));
    // Both slots of a poll ask at once: one request answers the two.
    QList<qsizetype> heard;
    for (int slot = 0; slot < 2; ++slot)
        adapter->fetchClients(
            [&](const std::optional<QList<RouterClient>>& rows) { heard.append(rows ? rows->size() : -1); });
    ASSERT_TRUE(waitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (QList<qsizetype>{2, 2}));
    EXPECT_EQ(router.lines(), QList<QByteArray>(4, "443 POST /rpc"));
    EXPECT_EQ(methods, loginAndList + QStringList{u"call"_s});
    for (const LoopbackHttpServer::Request& request : router.requests())
        EXPECT_EQ(request.header("Content-Type"), "application/json");
}

// The answers themselves have their own tables; one failure per way connecting can end.
TEST_F(GlinetAdapterTest, FailedLoginOrMasterReportsWhichAndAFailedLoginStartsNoMaster) {
    scripted = {
        {u"login"_s, rpcAnswer(200, R"({"id":1,"error":{"message":"Access denied","code":-32000}})")}};
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"HTTP authentication failed"_s)));
    EXPECT_EQ(logged(u"VT-2003 code:-32000"_s), 1);
    scripted = {{u"challenge"_s, rpcAnswer(502, "<html><body>Bad Gateway</body></html>")}};
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"HTTP authentication failed"_s)));
    EXPECT_EQ(methods, (QStringList{u"challenge"_s, u"login"_s, u"challenge"_s}));
    EXPECT_TRUE(ssh.masterStarts().isEmpty());

    scripted.clear();
    ssh.acceptPassword(u"not the router's"_s);
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"SSH connection failed"_s)));
    EXPECT_EQ(logged(u"VT-1003"_s), 1);
    // Polls right after start no master; their rows say why they have no radio.
    for (int poll = 0; poll < 2; ++poll)
        EXPECT_TRUE(clientNow(cameraMAC).value_or(RouterClient()).radioTransportDown);
    EXPECT_EQ(ssh.masterStarts().size(), 1);
    EXPECT_EQ(logged(u"VT-1004 router SSH not answering"_s), 1);
}

// The address rules have their own table; the adapter only has to heed them.
TEST_F(GlinetAdapterTest, NoUrlNoPasswordOrNoListGivesNothing) {
    address = u"user@127.0.0.1"_s;
    EXPECT_EQ(connectNow().first, false);
    address = u"127.0.0.1"_s;
    credentials.items.clear();
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"No password stored for 127.0.0.1"_s)));
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_TRUE(router.requests().isEmpty());

    credentials.items.insert(u"routerPassword_127.0.0.1"_s, password);
    scripted = {{u"call"_s, rpcAnswer(500, "<html>Internal Server Error</html>")}};
    EXPECT_EQ(clientNow(cameraMAC), std::nullopt);
    EXPECT_TRUE(ssh.commands().isEmpty());
}

// The expired session is forgotten: the poll after a second expiry starts with a login.
TEST_F(GlinetAdapterTest, FirstExpiryLogsInOnceAgainAndASecondGivesNothing) {
    clientsNow();
    expiredListsLeft = 1;
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(sent(6)[u"params"_s][0], u"sid-2"_s);
    expiredListsLeft = 2;
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientsNow().size(), 2);
    const QStringList relogin = QStringList{u"call"_s} + loginAndList;
    EXPECT_EQ(methods, loginAndList + relogin + relogin + loginAndList);

    // An HTTP 401 is the other way a session ends.
    scripted = {{u"call"_s, rpcAnswer(401, "{}")}};
    methods.clear();
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(methods, relogin);
}

TEST_F(GlinetAdapterTest, HealthProbeSendsTheChallengeAndWantsASaltWithinThreeSeconds) {
    EXPECT_TRUE(healthNow());
    // The same probe that tells the family apart.
    EXPECT_EQ(sent(router.requests().size() - 1),
              json(R"({"method":"challenge","params":{"username":"root"},"id":1})"));

    scripted.insert(u"challenge"_s, rpcAnswer(200, R"({"result":{"salt":7}})"));
    EXPECT_FALSE(healthNow());

    router.respondWith({});
    expectHealthFailsAtTheDeadline();
}

// Firmware without HTTPS is logged in to in clear text at its first login, and
// only then: a router that spoke HTTPS, or asked for a stronger login, and now
// does not is sent no hash; nor is one that first logged us in as another family.
TEST_F(GlinetAdapterTest, ClearTextOnlyWhereTheFirstLoginFoundNoHttps) {
    router.close(443);
    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(router.lines(), QList<QByteArray>(2, "80 POST /rpc"));
    EXPECT_EQ(identities.standing(address).record, (RouterRecord{u"glinet"_s, u"http"_s, 1, u"md5"_s}));
    EXPECT_TRUE(healthNow());
    EXPECT_EQ(clientsNow().size(), 2);

    const auto refused = [&](const RouterRecord& firstLogin, const QString& event) {
        identities.forget(address);
        identities.keepLogin(address, firstLogin, std::nullopt);
        adapter = std::make_unique<GlinetAdapter>(access);
        methods.clear();
        const qsizetype before = logged(u"VT-2003 "_s + event);
        EXPECT_EQ(connectNow(), std::pair(false, std::optional(familyChangedMessage(address))));
        EXPECT_EQ(logged(u"VT-2003 "_s + event), before + 1);
    };
    refused({u"glinet"_s, u"https"_s, 1, u"md5"_s}, u"scheme-changed 127.0.0.1 http"_s);
    EXPECT_EQ(methods, QStringList{u"challenge"_s});
    router.listen(routerTls(), 443);
    refused({u"glinet"_s, u"https"_s, 6, u"md5"_s}, u"login-downgrade 127.0.0.1 alg:1 md5"_s);
    refused({u"glinet"_s, u"https"_s, 1, u"sha256"_s}, u"login-downgrade 127.0.0.1 alg:1 md5"_s);
    EXPECT_EQ(methods, QStringList{u"challenge"_s});
    // Refused until the user connects again, not at every poll.
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(methods, QStringList{u"challenge"_s});

    refused({.family = u"unifi"_s}, u"family-changed 127.0.0.1 glinet was unifi"_s);
    EXPECT_TRUE(methods.isEmpty());
    EXPECT_EQ(modelNow(), std::nullopt);
    EXPECT_EQ(ssh.masterStarts().size(), 1) << "the first login's master only";
}

TEST_F(GlinetAdapterTest, TargetPollMergesTheListRowWithTheStationsRadio) {
    settings.writeString(SettingsKey::targetMAC, cameraMAC.toUpper());
    settings.writeBool(SettingsKey::debugLogging, true);
    const QString devices = u"ubus call iwinfo devices"_s, assoclist = u"ubus call iwinfo assoclist "_s;
    const QString wlan0 = assoclist + uR"('{"device":"wlan0"}')"_s,
                  wlan1 = assoclist + uR"('{"device":"wlan1"}')"_s;
    ssh.answer(devices, R"({"devices":["wlan0","wlan1"]})");
    ssh.answer(wlan0, R"({"results":[{"mac":"02:00:00:00:00:09","signal":-40}]})");
    // OpenWrt writes station MACs in upper case.
    ssh.answer(wlan1, R"({"results":[{"mac":"78:F5:05:AA:BB:CC","signal":-61,
        "tx":{"rate":866700,"mcs":9,"nss":2,"short_gi":true,"bytes":123456},"rx":{"bytes":654321}}]})");

    testing::internal::CaptureStderr();
    const std::optional<RouterClient> row = clientNow(cameraMAC.toUpper());
    clientNow(cameraMAC.toUpper());
    const std::string printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(row, (RouterClient{cameraMAC, u"192.168.8.20"_s, u"EOS R5"_s, u"5G"_s, -61, 866.7, true, 123456,
                                 654321, ClientLinkDetail{9, 2, 80, true, u"ac"_s}}));
    const QStringList poll{u"ping -c 1 192.168.8.20 >/dev/null 2>&1 &"_s, u"sleep 0.05"_s, devices, wlan0,
                           wlan1};
    EXPECT_EQ(ssh.commands(),
              (poll + poll).replaceInStrings(QRegularExpression(u"^"_s), u"root@127.0.0.1 "_s));

    // Each dump once per run, through the logger only (the journal prints debug
    // events itself when asked to); a reset starts a new run.
    const QString dump = u"VT-5001 [DIAG] GL.iNet %1 fields for 78:F5:05:AA:BB:CC:"_s;
    EXPECT_EQ(logged(dump.arg(u"clients.get_list"_s)), 1);
    EXPECT_EQ(logged(dump.arg(u"iwinfo assoclist"_s)), 1);
    EXPECT_EQ(printed.find("[DIAG]"), std::string::npos);
    for (const DebugEntry& entry : debugLog.entries())
        EXPECT_TRUE(entry.level == u"DEBUG"_s || !entry.detail.startsWith(u"[DIAG]"_s));
    adapter->resetSession();
    clientNow(cameraMAC);
    EXPECT_EQ(logged(u"VT-5001 [DIAG]"_s), 4);
    // A master whose router went away prints nothing at all.
    ssh.answer(devices, "");
    EXPECT_TRUE(clientNow(cameraMAC).value_or(RouterClient()).radioTransportDown);
    // One shell served the two polls; the reset ended it, and a disconnect ends
    // the next.
    EXPECT_EQ(ssh.shells().size(), 2);
    adapter->disconnect();
    EXPECT_FALSE(QFileInfo::exists(u"/proc/"_s + ssh.shells().constLast()));
}

TEST_F(GlinetAdapterTest, DisconnectClosesTheMasterAndEndsRequestsInFlightAndDestructionDropsThem) {
    ASSERT_TRUE(connectNow().first);
    router.respondWith({});
    int completions = 0;
    adapter->fetchClients([&](const std::optional<QList<RouterClient>>& rows) {
        EXPECT_FALSE(rows);
        ++completions;
    });
    ASSERT_TRUE(waitUntil([&] { return router.requests().size() == 3; }));
    adapter->disconnect();
    EXPECT_TRUE(waitUntil([&] { return completions == 1 && ssh.masterExits().size() == 1; }, 2000));

    // A destroyed adapter never completes what it had in flight.
    adapter->fetchClients([&](const std::optional<QList<RouterClient>>&) { ++completions; });
    ASSERT_TRUE(waitUntil([&] { return router.requests().size() == 4; }));
    pool.waitForDone();
    adapter.reset();
    pump(300);
    EXPECT_EQ(completions, 1);
}

TEST_F(GlinetAdapterTest, ResetWhileLoggingInLeavesNoSession) {
    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients(
        [&](std::optional<QList<RouterClient>> list) { rows = list.value_or(QList<RouterClient>()); });
    adapter->resetSession();
    ASSERT_TRUE(waitUntil([&] { return rows.has_value(); }));

    // Not even the challenge goes out once the session is gone.
    EXPECT_TRUE(rows->isEmpty());
    clientsNow();
    EXPECT_EQ(methods, loginAndList);
}

} // namespace
