#include "router/UniFiAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "TestCertificate.h"
#include "app/SettingsKeys.h"
#include "router/AccessPointCommands.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

using Responder = LoopbackHttpServer::Responder;
using Login = std::pair<bool, std::optional<QString>>;

const QString targetMAC = u"0a:1b:2c:3d:4e:5f"_s;
const QByteArray uniFiOSLogin = "443 POST /api/auth/login";
const QByteArray classicLogin = "8443 POST /api/login";
const QByteArray uniFiOSStations = "443 GET /proxy/network/api/s/default/stat/sta";
const QByteArray classicStations = "8443 GET /api/s/default/stat/sta";
const QByteArray uniFiOSDevices = "443 GET /proxy/network/api/s/default/stat/device";
const QByteArray uniFiOSManagement = "443 GET /proxy/network/api/s/default/rest/setting/mgmt";
const QByteArray loggedIn = "Set-Cookie: TOKEN=abc; path=/; samesite=none; secure; httponly\r\n";
const QString apLogin = u"apadmin@192.0.2.7"_s;

// A wired desk, the camera (with its access point) and a phone reporting `rssi`
// above the noise floor.
const QByteArray stationList = R"({"meta": {"rc": "ok"}, "data": [
    {"mac": "aa:00:00:00:00:01", "is_wired": true, "hostname": "desk"},
    {"mac": "0a:1b:2c:3d:4e:5f", "hostname": "r5", "ip": "10.0.0.7", "radio": "na", "signal": -61,
     "tx_rate": 866700, "tx_bytes": "5000000000", "rx_bytes": 42, "nss": 2, "radio_proto": "ax",
     "ap_mac": "80:2a:a8:00:01:02"},
    {"mac": "aa:00:00:00:00:02", "rssi": 40, "radio": "ng", "ap_mac": "80:2a:a8:00:01:03"}]})";

Responder answering(int status, const QByteArray& body, const QByteArray& headers = {}) {
    return LoopbackHttpServer::reply(LoopbackHttpServer::answer(status, body, headers));
}
void silent(QTcpSocket&) {}
void cutOff(QTcpSocket& socket) {
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"da");
    socket.flush();
    socket.abort();
}

// A UniFi OS console on 443 and a classic controller on 8443 at 127.0.0.1;
// an unrouted request gets 404.
class UniFiAdapterTest : public RouterAdapterTest<UniFiAdapter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(routerTls()) << "openssl could not make a test certificate";
        console.listen(routerTls(), 8443);
        ASSERT_TRUE(console.isListening()) << "ports 443 and 8443 need run-on-private-loopback.sh";
        console.respondWith(answering(404, "{}"));
        settings.writeString(SettingsKey::routerUsername, u"admin"_s);
        settings.writeString(SettingsKey::targetMAC, targetMAC.toUpper());
        credentials.items.insert(u"routerPassword_127.0.0.1"_s, u"pw"_s);
        ssh.acceptPassword(u"ap-secret"_s);
    }

    int rssiNow(const QString& mac = targetMAC.toUpper()) {
        return clientNow(mac).value_or(RouterClient()).rssi;
    }
    void answerHostapd(const QByteArray& output) { ssh.answer(*hostapdStationCommand(targetMAC), output); }
    // Waits for the access point look-up a poll started to bring up its master.
    void awaitMaster(int starts) {
        ASSERT_TRUE(waitUntil([&] { return logged(u"VT-1002"_s) == starts; }));
        pool.waitForDone();
        pump(50);
    }

    void serveUniFiOS() {
        console.route(uniFiOSLogin, answering(200, "{}", loggedIn + "X-Updated-Csrf-Token: csrf1\r\n"));
        console.serve(uniFiOSStations, LoopbackHttpServer::answer(200, stationList));
        console.serve(uniFiOSDevices, LoopbackHttpServer::answer(200, R"({"data": [
            {"mac": "80:2A:A8:00:01:02", "ip": "192.0.2.7"}, {"mac": "80:2a:a8:00:01:03", "ip": "192.0.2.8"}]})"));
        console.route(uniFiOSManagement,
                      answering(200, R"({"data": [{"key": "mgmt", "x_ssh_username": "apadmin",
                                                                     "x_ssh_password": "ap-secret"}]})"));
    }
    // The first poll answers from the station list and finds the camera's access
    // point; returns once the master to it is up.
    void resolveAccessPoint() {
        serveUniFiOS();
        adapter->fetchAPSSHCredentials();
        ASSERT_TRUE(waitUntil([&] { return console.count(uniFiOSManagement) == 1; }));
        pump(200);
        ASSERT_TRUE(clientNow(targetMAC.toUpper()));
        awaitMaster(1);
    }

    LoopbackHttpServer console{routerTls(), 443};
};

TEST_F(UniFiAdapterTest, LogsInToTheConsoleAndCarriesItsSessionOnward) {
    serveUniFiOS();
    EXPECT_EQ(connectNow(), Login(true, std::nullopt));
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(connectNow().first, true);

    ASSERT_EQ(console.lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
    const LoopbackHttpServer::Request& login = console.requests()[0];
    EXPECT_EQ(login.header("Content-Type"), "application/json");
    EXPECT_EQ(login.header("Origin"), "https://127.0.0.1");
    EXPECT_EQ(login.header("Referer"), "https://127.0.0.1/");
    EXPECT_EQ(login.header("Cookie"), std::nullopt);
    EXPECT_EQ(QJsonDocument::fromJson(login.body).object(),
              (QJsonObject{{u"username"_s, u"admin"_s}, {u"password"_s, u"pw"_s}, {u"remember"_s, true}}));
    EXPECT_EQ(console.requests()[1].header("Cookie"), "TOKEN=abc");
    EXPECT_EQ(console.requests()[1].header("X-CSRF-Token"), "csrf1");
    EXPECT_EQ(logged(u"VT-2002 https://127.0.0.1"_s), 1);
}

struct LoginRow {
    std::string name;
    Responder uniFiOS;
    Responder classic;
    Login result;
    QList<QByteArray> logins;
    // The station list request a logged-in session makes, with its headers.
    QByteArray stations = {};
    QByteArray cookie = {};
    std::optional<QByteArray> csrf = {};
    QString password = u"pw"_s;
};

class UniFiLoginSequenceTest : public UniFiAdapterTest, public testing::WithParamInterface<LoginRow> {};

TEST_P(UniFiLoginSequenceTest, TriesTheClassicControllerOnlyAfterAPlainRejection) {
    const LoginRow& row = GetParam();
    credentials.items.insert(u"routerPassword_127.0.0.1"_s, row.password);
    console.route(uniFiOSLogin, row.uniFiOS);
    console.route(classicLogin, row.classic);
    console.serve(classicStations, LoopbackHttpServer::answer(200, stationList));

    EXPECT_EQ(connectNow(), row.result);
    EXPECT_EQ(console.lines(), row.logins);
    if (!row.result.first)
        return;
    clientsNow();
    const LoopbackHttpServer::Request& stations = console.requests().last();
    EXPECT_EQ(stations.line(), row.stations);
    EXPECT_EQ(stations.header("Cookie"), row.cookie);
    EXPECT_EQ(stations.header("X-CSRF-Token"), row.csrf);
}

const QList<QByteArray> both{uniFiOSLogin, classicLogin};
const Login authenticationFailed{false, uniFiAuthenticationFailedMessage()};

INSTANTIATE_TEST_SUITE_P(
    Consoles, UniFiLoginSequenceTest,
    testing::Values(LoginRow{"classicAfterRejection", answering(401, R"({"code": "AUTHENTICATION_FAILED"})"),
                             answering(200, R"({"meta": {"rc": "ok"}})",
                                       "Set-Cookie: unifises=xyz; Path=/\r\nX-CSRF-Token: c2\r\n"),
                             Login(true, std::nullopt), both, classicStations, "unifises=xyz", "c2"},
                    LoginRow{"mfaCodeHasNoFallback",
                             answering(401, R"({"code": "MFA_AUTH_REQUIRED"})"),
                             {},
                             Login(false, uniFiSSOAccountMessage()),
                             {uniFiOSLogin}},
                    LoginRow{"cutOffTwice", cutOff, cutOff, authenticationFailed, both},
                    LoginRow{
                        "noPasswordSendsNothing", {}, {}, authenticationFailed, {}, {}, {}, {}, QString()}),
    [](const auto& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, ExpiredSessionGivesOneEmptyListThenLogsInAgain) {
    serveUniFiOS();
    int stationRequests = 0;
    console.route(uniFiOSStations, [&](QTcpSocket& socket) {
        socket.write(++stationRequests == 1 ? LoopbackHttpServer::answer(401, R"({"meta": {"rc": "error"}})")
                                            : LoopbackHttpServer::answer(200, stationList));
    });

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(console.lines(),
              (QList<QByteArray>{uniFiOSLogin, uniFiOSStations, uniFiOSLogin, uniFiOSStations}));
}

TEST_F(UniFiAdapterTest, BrokenListGivesNoRows) {
    serveUniFiOS();
    for (const Responder& stations : {answering(500, "{}"), Responder(cutOff)}) {
        console.route(uniFiOSStations, stations);
        EXPECT_TRUE(clientsNow().isEmpty());
        EXPECT_EQ(clientNow(targetMAC.toUpper()), std::nullopt);
    }
}

TEST_F(UniFiAdapterTest, DumpsTheTargetsStationFieldsOncePerSession) {
    serveUniFiOS();
    clientsNow();
    clientsNow();
    const QString heading = u"VT-5001 [DIAG] UniFi /stat/sta fields for 0a:1b:2c:3d:4e:5f:\n"_s;
    EXPECT_EQ(logged(heading), 1);
    adapter->resetSession();
    clientsNow();
    EXPECT_EQ(logged(heading), 2);
}

// The console's /api/system names the hardware; a classic controller has none.
TEST_F(UniFiAdapterTest, SystemPageNamesTheModelAndJudgesHealth) {
    const struct {
        QByteArray answer;
        QString model;
        bool healthy;
    } rows[] = {
        {R"({"hardware": {"shortname": "UDRULT"}})", u"UCG Ultra"_s, true},
        {R"({"hardware": {"shortname": ""}})", u"UniFi Controller"_s, true},
        {R"({"name": "UniFi Network"})", u"UniFi Controller"_s, true},
        {R"({"version": "8.1"})", u"UniFi Controller"_s, false},
        {"<html>login</html>", u"UniFi Controller"_s, false},
    };
    for (const auto& row : rows) {
        console.serve("443 GET /api/system", LoopbackHttpServer::answer(200, row.answer));
        EXPECT_EQ(modelNow(), row.model) << row.answer.constData();
        EXPECT_EQ(healthNow(), row.healthy) << row.answer.constData();
    }
    console.route("443 GET /api/system", silent);
    expectHealthFailsAtTheDeadline(6000);
}

TEST_F(UniFiAdapterTest, LogoutEndsRequestsInFlightAndGoesWhereTheLoginWent) {
    console.route(uniFiOSStations, silent);
    console.route(classicStations, silent);
    console.route(classicLogin, answering(200, "{}", "Set-Cookie: unifises=xyz\r\n"));
    for (const auto& [uniFiOS, logout] :
         {std::pair(answering(200, "{}", loggedIn), "443 POST /api/auth/logout"),
          std::pair(answering(401, "{}"), "8443 POST /api/logout")}) {
        console.route(uniFiOSLogin, uniFiOS);
        ASSERT_TRUE(connectNow().first);
        const qsizetype loginRequests = console.requests().size();

        std::optional<QList<RouterClient>> rows;
        adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
        ASSERT_TRUE(waitUntil([&] { return console.requests().size() == loginRequests + 1; }));
        adapter->disconnect();
        adapter->resetSession();
        ASSERT_TRUE(waitUntil([&] { return rows.has_value() && console.lines().last() == logout; }))
            << logout;
        EXPECT_TRUE(rows->isEmpty());
        EXPECT_FALSE(console.requests().last().header("Cookie").value_or("").isEmpty());
    }
}

TEST_F(UniFiAdapterTest, ForgottenSessionsLateLoginChangesNothing) {
    QPointer<QTcpSocket> held;
    console.route(uniFiOSLogin, [&](QTcpSocket& socket) { held = &socket; });
    std::optional<Login> result;
    adapter->connect([&](bool ok, std::optional<QString> message) { result.emplace(ok, message); });
    ASSERT_TRUE(waitUntil([&] { return !held.isNull(); }));
    adapter->resetSession();
    held->write(LoopbackHttpServer::answer(200, "{}", loggedIn));

    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(*result, Login(false, std::nullopt));
    serveUniFiOS();
    clientsNow();
    EXPECT_EQ(console.lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSLogin, uniFiOSStations}));
}

TEST_F(UniFiAdapterTest, DisconnectWithoutASessionSendsNothingAndADestroyedAdapterNeverCallsBack) {
    adapter->disconnect();
    pump(200);
    EXPECT_TRUE(console.requests().isEmpty());

    serveUniFiOS();
    console.route(uniFiOSStations, silent);
    bool called = false;
    adapter->fetchClients([&](QList<RouterClient>) { called = true; });
    ASSERT_TRUE(waitUntil([&] { return console.count(uniFiOSStations) == 1; }));
    adapter->connect([&](bool, std::optional<QString>) { called = true; });
    pool.waitForDone();
    adapter.reset();
    pump(300);
    EXPECT_FALSE(called);
}

TEST_F(UniFiAdapterTest, FollowsTheTargetToItsAccessPoint) {
    resolveAccessPoint();
    EXPECT_EQ(console.lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSManagement, uniFiOSStations,
                                                  uniFiOSStations, uniFiOSDevices}));
    EXPECT_EQ(logged(u"VT-3002 ap:192.0.2.7"_s), 1);
    EXPECT_EQ(ssh.masterStarts(), QStringList{apLogin});

    answerHostapd("0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\ntx_bytes=1000\nsignal=-58\nrx_bytes=2000\n"
                  "tx_rate_info=12010 he-mcs 11 he-nss 2\n");
    const std::optional<RouterClient> row = clientNow(targetMAC.toUpper());
    clientNow(targetMAC.toUpper());

    EXPECT_EQ(row, (RouterClient{targetMAC, u"10.0.0.7"_s, u"r5"_s, u"5G"_s, -58, 0.0, true, 1000, 2000,
                                 ClientLinkDetail{std::nullopt, 2, 80, std::nullopt, u"ax"_s}}));
    EXPECT_EQ(console.requests().size(), 5);
    EXPECT_EQ(ssh.commands().mid(0, 2), (QStringList{apLogin + u' ' + *stationPingCommand(u"10.0.0.7"_s),
                                                     apLogin + u' ' + *hostapdStationCommand(targetMAC)}));
    EXPECT_EQ(logged(u"VT-5001 [DIAG] UniFi hostapd_cli sta output:\n0a:1b:2c:3d:4e:5f\n"_s), 1);
}

// A missing signal leaves the whole row to the controller; missing counters
// only the counters.
TEST_F(UniFiAdapterTest, FallsBackToTheControllerForWhatHostapdLacks) {
    resolveAccessPoint();
    const struct {
        QByteArray answer;
        int rssi;
        qsizetype targetAbsent;
    } rows[] = {{"", -61, 1}, {"signal=-58\ntx_bytes=0\nrx_bytes=0\n", -58, 1}};
    for (const auto& row : rows) {
        ssh.forgetAnswers();
        answerHostapd(row.answer);
        const qsizetype before = console.requests().size();
        const std::optional<RouterClient> client = clientNow(targetMAC.toUpper());
        ASSERT_TRUE(client);
        EXPECT_EQ(client->rssi, row.rssi);
        EXPECT_EQ(client->txBytes, 5000000000u);
        EXPECT_EQ(console.lines().mid(before), QList<QByteArray>{uniFiOSStations});
        EXPECT_EQ(logged(u"VT-3005 0a:1b:2c:3d:4e:5f"_s), row.targetAbsent);
    }
}

TEST_F(UniFiAdapterTest, WithoutDeviceCredentialsStaysOnTheStationList) {
    serveUniFiOS();
    console.route(uniFiOSManagement, answering(200, R"({"data": [{"key": "mgmt"}]})"));
    ASSERT_TRUE(clientNow(targetMAC.toUpper()));
    ASSERT_TRUE(waitUntil([&] { return logged(u"VT-1004"_s) == 1; }));
    pool.waitForDone();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console.count(uniFiOSDevices), 1);
    EXPECT_EQ(console.count(uniFiOSManagement), 1);
    EXPECT_EQ(logged(u"VT-1004"_s), 1);
    EXPECT_TRUE(ssh.masterStarts().isEmpty());
}

// Every session reset forgets the device login (each router recovery makes
// one), so the look-up reads it itself rather than never asking the access
// point again.
TEST_F(UniFiAdapterTest, LookUpReadsTheDeviceLoginItselfWhenItIsNotKnown) {
    serveUniFiOS();
    ASSERT_TRUE(clientNow(targetMAC.toUpper()));
    EXPECT_TRUE(waitUntil([&] { return logged(u"VT-1002"_s) == 1; }));
    EXPECT_EQ(console.count(uniFiOSManagement), 1);
    EXPECT_EQ(ssh.masterStarts().size(), 1);
}

TEST_F(UniFiAdapterTest, LostMasterIsFoundAgain) {
    resolveAccessPoint();
    answerHostapd("signal=-50\ntx_bytes=1\nrx_bytes=1\n");
    ssh.dropMaster();

    EXPECT_EQ(rssiNow(), -61);
    awaitMaster(2);
    EXPECT_EQ(rssiNow(), -50);
    EXPECT_EQ(console.count(uniFiOSDevices), 2);
}

TEST_F(UniFiAdapterTest, MovesTheMasterWhenAnotherTargetsAccessPointIsFound) {
    resolveAccessPoint();
    EXPECT_EQ(rssiNow(u"aa:00:00:00:00:02"_s), -56);
    awaitMaster(2);

    EXPECT_EQ(ssh.masterExits(), QStringList{apLogin});
    EXPECT_EQ(ssh.masterStarts(), (QStringList{apLogin, u"apadmin@192.0.2.8"_s}));
    // The camera's access point is known but no longer the master's: the
    // station list answers, and no second look-up starts.
    const qsizetype commands = ssh.commands().size();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(ssh.commands().size(), commands);
    EXPECT_EQ(console.count(uniFiOSDevices), 2);
}

TEST_F(UniFiAdapterTest, ResetSessionClosesTheMasterAndForgetsTheAccessPoint) {
    resolveAccessPoint();
    adapter->resetSession();
    pool.waitForDone();
    EXPECT_EQ(ssh.masterExits(), QStringList{apLogin});

    const qsizetype before = console.requests().size();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console.lines().mid(before, 2), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
}

} // namespace
