#include "router/UniFiAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "TestCertificate.h"
#include "app/SettingsKeys.h"
#include "router/AccessPointCommands.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

namespace {

using Responder = LoopbackHttpServer::Responder;
using Login = std::pair<bool, std::optional<QString>>;

const QString targetMAC = QStringLiteral("0a:1b:2c:3d:4e:5f");
const QByteArray uniFiOSLogin = "443 POST /api/auth/login";
const QByteArray classicLogin = "8443 POST /api/login";
const QByteArray uniFiOSStations = "443 GET /proxy/network/api/s/default/stat/sta";
const QByteArray classicStations = "8443 GET /api/s/default/stat/sta";
const QByteArray uniFiOSDevices = "443 GET /proxy/network/api/s/default/stat/device";
const QByteArray uniFiOSManagement = "443 GET /proxy/network/api/s/default/rest/setting/mgmt";
const QByteArray loggedIn = "TOKEN=abc; path=/; samesite=none; secure; httponly";
const QString apLogin = QStringLiteral("apadmin@192.0.2.7");

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
        settings.writeString(SettingsKey::routerUsername, QStringLiteral("admin"));
        settings.writeString(SettingsKey::targetMAC, targetMAC.toUpper());
        credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), QStringLiteral("pw"));
        ssh.acceptPassword(QStringLiteral("ap-secret"));
    }

    int rssiNow(const QString& mac = targetMAC.toUpper()) {
        return clientNow(mac).value_or(RouterClient()).rssi;
    }
    void answerHostapd(const QByteArray& output) { ssh.answer(*hostapdStationCommand(targetMAC), output); }

    void serveUniFiOS() {
        console.route(
            uniFiOSLogin,
            answering(200, "{}", "Set-Cookie: " + loggedIn + "\r\nX-Updated-Csrf-Token: csrf1\r\n"));
        console.serve(uniFiOSStations, LoopbackHttpServer::answer(200, stationList));
        console.serve(uniFiOSDevices, LoopbackHttpServer::answer(200, R"({"data": [
            {"mac": "80:2A:A8:00:01:02", "ip": "192.0.2.7"}, {"mac": "80:2a:a8:00:01:03", "ip": "192.0.2.8"}]})"));
        console.route(uniFiOSManagement,
                      answering(200, R"({"data": [{"key": "mgmt", "x_ssh_username": "apadmin",
                                                   "x_ssh_password": "ap-secret"}]})"));
    }
    // The first poll answers from the station list and finds the camera's access
    // point; returns once the master to it is up.
    void resolveAccessPoint(bool withCredentials = true) {
        serveUniFiOS();
        if (withCredentials) {
            adapter->fetchAPSSHCredentials();
            ASSERT_TRUE(waitUntil([&] { return console.count(uniFiOSManagement) == 1; }));
            pump(200);
        } else {
            console.route(uniFiOSManagement, answering(200, R"({"data": [{"key": "mgmt"}]})"));
        }
        ASSERT_TRUE(clientNow(targetMAC.toUpper()));
        const QString awaited = withCredentials ? QStringLiteral("VT-1002") : QStringLiteral("VT-1004");
        ASSERT_TRUE(waitUntil([&] { return logged(awaited) == 1; }));
        pool.waitForDone();
        pump(50);
    }

    LoopbackHttpServer console{routerTls(), 443};
};

TEST_F(UniFiAdapterTest, LogsInToTheConsoleAndCarriesItsSessionOnward) {
    serveUniFiOS();
    EXPECT_EQ(connectNow(), Login(true, std::nullopt));
    const QList<RouterClient> rows = clientsNow();
    EXPECT_EQ(connectNow().first, true);

    ASSERT_EQ(console.lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
    const LoopbackHttpServer::Request& login = console.requests()[0];
    EXPECT_EQ(login.header("Content-Type"), "application/json");
    EXPECT_EQ(login.header("Origin"), "https://127.0.0.1");
    EXPECT_EQ(login.header("Referer"), "https://127.0.0.1/");
    EXPECT_EQ(login.header("Cookie"), std::nullopt);
    EXPECT_EQ(QJsonDocument::fromJson(login.body).object(),
              (QJsonObject{{QStringLiteral("username"), QStringLiteral("admin")},
                           {QStringLiteral("password"), QStringLiteral("pw")},
                           {QStringLiteral("remember"), true}}));
    EXPECT_EQ(console.requests()[1].header("Cookie"), "TOKEN=abc");
    EXPECT_EQ(console.requests()[1].header("X-CSRF-Token"), "csrf1");
    EXPECT_EQ(logged(QStringLiteral("VT-2002 https://127.0.0.1")), 1);

    // The wired desk is left out.
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].mac, targetMAC);
    EXPECT_EQ(rows[0].rssi, -61);
    EXPECT_EQ(rows[0].txBytes, 5000000000u);
    EXPECT_EQ(rows[1].mac, QStringLiteral("aa:00:00:00:00:02"));
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
    QString password = QStringLiteral("pw");
    friend void PrintTo(const LoginRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiLoginSequenceTest : public UniFiAdapterTest, public testing::WithParamInterface<LoginRow> {};

TEST_P(UniFiLoginSequenceTest, TriesTheClassicControllerOnlyAfterAPlainRejection) {
    const LoginRow& row = GetParam();
    credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), row.password);
    console.route(uniFiOSLogin, row.uniFiOS);
    console.route(classicLogin, row.classic);
    console.serve(uniFiOSStations, LoopbackHttpServer::answer(200, stationList));
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

const Login accepted{true, std::nullopt};
const QList<QByteArray> uniFiOSOnly{uniFiOSLogin};
const QList<QByteArray> both{uniFiOSLogin, classicLogin};
const Login ssoAccount{false, uniFiSSOAccountMessage()};
const Login authenticationFailed{false, uniFiAuthenticationFailedMessage()};
const Responder unasked;

INSTANTIATE_TEST_SUITE_P(
    Consoles, UniFiLoginSequenceTest,
    testing::Values(LoginRow{"classicAfterRejection", answering(401, R"({"code": "AUTHENTICATION_FAILED"})"),
                             answering(200, R"({"meta": {"rc": "ok"}})",
                                       "Set-Cookie: unifises=xyz; Path=/\r\nX-CSRF-Token: c2\r\n"),
                             accepted, both, classicStations, "unifises=xyz", "c2"},
                    LoginRow{"tokenInTheBody", answering(200, R"({"token": "jwt"})"), unasked, accepted,
                             uniFiOSOnly, uniFiOSStations, "TOKEN=jwt"},
                    LoginRow{"mfaCodeHasNoFallback", answering(401, R"({"code": "MFA_AUTH_REQUIRED"})"),
                             unasked, ssoAccount, uniFiOSOnly},
                    LoginRow{"status499HasNoFallback", answering(499, "{}"), unasked, ssoAccount,
                             uniFiOSOnly},
                    LoginRow{"htmlThenClassicRejects", answering(200, "<html>sign in</html>"),
                             answering(400, "{}"), authenticationFailed, both},
                    LoginRow{"cutOffTwice", cutOff, cutOff, authenticationFailed, both},
                    LoginRow{"noPasswordSendsNothing", unasked, unasked, authenticationFailed,
                             QList<QByteArray>(), QByteArray(), QByteArray(), std::nullopt, QString()}),
    [](const testing::TestParamInfo<LoginRow>& info) { return info.param.name; });

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

struct BrokenListRow {
    std::string name;
    Responder stations;
    friend void PrintTo(const BrokenListRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiBrokenListTest : public UniFiAdapterTest, public testing::WithParamInterface<BrokenListRow> {};

TEST_P(UniFiBrokenListTest, GivesNoRows) {
    serveUniFiOS();
    console.route(uniFiOSStations, GetParam().stations);
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientNow(targetMAC.toUpper()), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiBrokenListTest,
    testing::Values(
        BrokenListRow{"htmlErrorPage", answering(200, "<html><body>502 Bad Gateway</body></html>")},
        BrokenListRow{"malformedJson", answering(200, R"({"data": [{"mac": )")},
        BrokenListRow{"dataNotAnArray", answering(200, R"({"data": {"mac": "0a:1b:2c:3d:4e:5f"}})")},
        BrokenListRow{"wrongTypes", answering(200, R"({"data": [7, "x", {"mac": 5}]})")},
        BrokenListRow{"serverError", answering(500, "{}")}, BrokenListRow{"cutOffMidAnswer", cutOff}),
    [](const testing::TestParamInfo<BrokenListRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, DumpsTheTargetsStationFieldsOncePerSession) {
    serveUniFiOS();
    clientsNow();
    clientsNow();
    const QString heading = QStringLiteral("VT-5001 [DIAG] UniFi /stat/sta fields for 0a:1b:2c:3d:4e:5f:\n");
    EXPECT_EQ(logged(heading), 1);
    adapter->resetSession();
    clientsNow();
    EXPECT_EQ(logged(heading), 2);
}

struct SystemRow {
    std::string name;
    QByteArray answer;
    QString model;
    bool healthy;
    friend void PrintTo(const SystemRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiSystemTest : public UniFiAdapterTest, public testing::WithParamInterface<SystemRow> {};

TEST_P(UniFiSystemTest, NamesTheModelAndJudgesHealth) {
    console.serve("443 GET /api/system", LoopbackHttpServer::answer(200, GetParam().answer));
    EXPECT_EQ(modelNow(), GetParam().model);
    EXPECT_EQ(healthNow(), GetParam().healthy);
}

SystemRow hardware(const char* shortName, const char* model) {
    return {shortName, R"({"hardware": {"shortname": ")" + QByteArray(shortName) + R"("}})",
            QString::fromUtf8(model), true};
}
SystemRow controller(const char* name, const QByteArray& answer, bool healthy) {
    return {name, answer, QStringLiteral("UniFi Controller"), healthy};
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiSystemTest,
    testing::Values(hardware("UDRULT", "UCG Ultra"), hardware("UDR", "Dream Router"),
                    hardware("UDMPRO", "Dream Machine Pro"), hardware("UDMPROSE", "Dream Machine Pro SE"),
                    hardware("UDM", "Dream Machine"), hardware("UNVR", "UniFi NVR"),
                    hardware("UXG", "UniFi UXG"),
                    controller("emptyShortName", R"({"hardware": {"shortname": ""}})", true),
                    controller("nameOnly", R"({"name": "UniFi Network"})", true),
                    controller("neither", R"({"version": "8.1"})", false),
                    controller("htmlPage", "<html>login</html>", false)),
    [](const testing::TestParamInfo<SystemRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, HealthProbeGivesUpAtItsDeadline) {
    console.route("443 GET /api/system", silent);
    expectHealthFailsAtTheDeadline(6000);
}

struct LogoutRow {
    std::string name;
    Responder uniFiOS;
    QByteArray logout;
    friend void PrintTo(const LogoutRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiLogoutTest : public UniFiAdapterTest, public testing::WithParamInterface<LogoutRow> {};

TEST_P(UniFiLogoutTest, EndsRequestsInFlightAndLogsOutWhereItLoggedIn) {
    console.route(uniFiOSLogin, GetParam().uniFiOS);
    console.route(classicLogin, answering(200, "{}", "Set-Cookie: unifises=xyz\r\n"));
    console.route(uniFiOSStations, silent);
    console.route(classicStations, silent);
    ASSERT_TRUE(connectNow().first);
    const qsizetype loginRequests = console.requests().size();

    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
    ASSERT_TRUE(waitUntil([&] { return console.requests().size() == loginRequests + 1; }));
    adapter->disconnect();
    adapter->resetSession();
    ASSERT_TRUE(waitUntil([&] { return rows.has_value() && console.lines().last() == GetParam().logout; }));
    EXPECT_TRUE(rows->isEmpty());
    EXPECT_FALSE(console.requests().last().header("Cookie").value_or("").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Consoles, UniFiLogoutTest,
                         testing::Values(LogoutRow{"uniFiOS",
                                                   answering(200, "{}", "Set-Cookie: " + loggedIn + "\r\n"),
                                                   "443 POST /api/auth/logout"},
                                         LogoutRow{"classic", answering(401, "{}"), "8443 POST /api/logout"}),
                         [](const testing::TestParamInfo<LogoutRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, ForgottenSessionsLateLoginChangesNothing) {
    QPointer<QTcpSocket> held;
    console.route(uniFiOSLogin, [&](QTcpSocket& socket) { held = &socket; });
    std::optional<Login> result;
    adapter->connect([&](bool ok, std::optional<QString> message) { result.emplace(ok, message); });
    ASSERT_TRUE(waitUntil([&] { return !held.isNull(); }));
    adapter->resetSession();
    held->write(LoopbackHttpServer::answer(200, "{}", "Set-Cookie: " + loggedIn + "\r\n"));

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
    EXPECT_EQ(logged(QStringLiteral("VT-3002 ap:192.0.2.7")), 1);
    EXPECT_EQ(ssh.masterStarts(), QStringList{apLogin});

    answerHostapd("0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\ntx_bytes=1000\nsignal=-58\nrx_bytes=2000\n"
                  "tx_rate_info=12010 he-mcs 11 he-nss 2\n");
    const std::optional<RouterClient> row = clientNow(targetMAC.toUpper());
    clientNow(targetMAC.toUpper());

    EXPECT_EQ(row, (RouterClient{targetMAC, QStringLiteral("10.0.0.7"), QStringLiteral("r5"),
                                 QStringLiteral("5G"), -58, 0.0, true, 1000, 2000,
                                 ClientLinkDetail{std::nullopt, 2, 80, std::nullopt, QStringLiteral("ax")}}));
    EXPECT_EQ(console.requests().size(), 5);
    EXPECT_EQ(ssh.commands().mid(0, 2),
              (QStringList{apLogin + u' ' + *stationPingCommand(QStringLiteral("10.0.0.7")),
                           apLogin + u' ' + *hostapdStationCommand(targetMAC)}));
    EXPECT_EQ(logged(QStringLiteral("VT-5001 [DIAG] UniFi hostapd_cli sta output:\n0a:1b:2c:3d:4e:5f\n")), 1);
}

struct HostapdRow {
    std::string name;
    QByteArray answer;
    int rssi;
    std::uint64_t txBytes;
    std::uint64_t rxBytes;
    // Requests the poll makes on top of none.
    QList<QByteArray> requests;
    qsizetype targetAbsent;
    friend void PrintTo(const HostapdRow& row, std::ostream* os) { *os << row.name; }
};

const QList<QByteArray> stationsAgain{uniFiOSStations};

class UniFiHostapdAnswerTest : public UniFiAdapterTest, public testing::WithParamInterface<HostapdRow> {};

TEST_P(UniFiHostapdAnswerTest, FallsBackToTheControllerForWhatIsMissing) {
    const HostapdRow& row = GetParam();
    resolveAccessPoint();
    answerHostapd(row.answer);
    const qsizetype before = console.requests().size();

    const std::optional<RouterClient> client = clientNow(targetMAC.toUpper());
    ASSERT_TRUE(client);
    EXPECT_EQ(client->rssi, row.rssi);
    EXPECT_EQ(client->txBytes, row.txBytes);
    EXPECT_EQ(client->rxBytes, row.rxBytes);
    EXPECT_EQ(console.lines().mid(before), row.requests);
    EXPECT_EQ(logged(QStringLiteral("VT-3005 0a:1b:2c:3d:4e:5f")), row.targetAbsent);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiHostapdAnswerTest,
    testing::Values(HostapdRow{"failOnEveryInterface", "", -61, 5000000000, 42, stationsAgain, 1},
                    HostapdRow{"noSignalLine", "0a:1b:2c:3d:4e:5f\ntx_bytes=9\n", -61, 5000000000, 42,
                               stationsAgain, 1},
                    HostapdRow{"zeroCounters", "signal=-58\ntx_bytes=0\nrx_bytes=0\n", -58, 5000000000, 42,
                               stationsAgain, 0},
                    HostapdRow{"countersBeyond32Bits", "signal=-70\ntx_bytes=8589934592\nrx_bytes=1\n", -70,
                               8589934592, 1, QList<QByteArray>(), 0}),
    [](const testing::TestParamInfo<HostapdRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, WithoutDeviceCredentialsStaysOnTheStationList) {
    resolveAccessPoint(false);
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console.count(uniFiOSDevices), 1);
    EXPECT_EQ(logged(QStringLiteral("VT-1004")), 1);
    EXPECT_TRUE(ssh.masterStarts().isEmpty());
    EXPECT_EQ(console.count(uniFiOSManagement), 1);
}

// Every session reset forgets the device login (each router recovery makes
// one), so the look-up reads it itself rather than never asking the access
// point again.
TEST_F(UniFiAdapterTest, LookUpReadsTheDeviceLoginItselfWhenItIsNotKnown) {
    serveUniFiOS();
    ASSERT_TRUE(clientNow(targetMAC.toUpper()));
    EXPECT_TRUE(waitUntil([&] { return logged(QStringLiteral("VT-1002")) == 1; }));
    EXPECT_EQ(console.count(uniFiOSManagement), 1);
    EXPECT_EQ(ssh.masterStarts().size(), 1);
}

TEST_F(UniFiAdapterTest, LostMasterIsFoundAgain) {
    resolveAccessPoint();
    answerHostapd("signal=-50\ntx_bytes=1\nrx_bytes=1\n");
    ssh.dropMaster();

    EXPECT_EQ(rssiNow(), -61);
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("VT-1002")) == 2; }));
    pool.waitForDone();
    pump(50);
    EXPECT_EQ(rssiNow(), -50);
    EXPECT_EQ(console.count(uniFiOSDevices), 2);
}

TEST_F(UniFiAdapterTest, MovesTheMasterWhenAnotherTargetsAccessPointIsFound) {
    resolveAccessPoint();
    EXPECT_EQ(rssiNow(QStringLiteral("aa:00:00:00:00:02")), -56);
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("VT-1002")) == 2; }));
    pool.waitForDone();
    pump(50);

    EXPECT_EQ(ssh.masterExits(), QStringList{apLogin});
    EXPECT_EQ(ssh.masterStarts(), (QStringList{apLogin, QStringLiteral("apadmin@192.0.2.8")}));
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
