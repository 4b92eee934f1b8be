#include "router/unifi/UniFiAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/unifi/AccessPointCommands.h"
#include "settings/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

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
    void answerHostapd(const QByteArray& output) {
        ssh.answer(*hostapdStationCommand(targetMAC, {}), output);
    }
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
            {"mac": "80:2A:A8:00:01:02", "ip": "192.0.2.7", "adopted": true, "radio_table": [{}],
             "name": "Studio-South"},
            {"mac": "80:2a:a8:00:01:03", "ip": "192.0.2.8", "adopted": true, "radio_table": [{}],
             "name": "Studio-North"}]})"));
        console.route(uniFiOSManagement,
                      answering(200, R"({"data": [{"key": "mgmt", "x_ssh_username": "apadmin",
                                                                     "x_ssh_password": "ap-secret"}]})"));
    }
    // The first poll answers from the station list and finds the camera's access
    // point; returns once the master to it is up.
    void resolveAccessPoint() {
        serveUniFiOS();
        adapter->fetchAPSSHCredentials();
        ASSERT_TRUE(waitUntil([&] { return console.lines().count(uniFiOSManagement) == 1; }));
        pump(200);
        ASSERT_TRUE(clientNow(targetMAC.toUpper()));
        awaitMaster(1);
    }

    LoopbackHttpServer console{routerTls(), 443};
};

TEST_F(UniFiAdapterTest, LogsInToTheConsoleCarriesItsSessionOnwardAndLogsInAgainWhenItExpires) {
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

    // The target's station fields are dumped once per session.
    const QString heading = u"VT-5001 [DIAG] UniFi /stat/sta fields for 0a:1b:2c:3d:4e:5f:\n"_s;
    clientsNow();
    EXPECT_EQ(logged(heading), 1);
    adapter->resetSession();
    clientsNow();
    EXPECT_EQ(logged(heading), 2);

    // An expired session gives one empty list; the next poll logs in again.
    console.serve(uniFiOSStations, LoopbackHttpServer::answer(401, R"({"meta": {"rc": "error"}})"));
    EXPECT_TRUE(clientsNow().isEmpty());
    console.serve(uniFiOSStations, LoopbackHttpServer::answer(200, stationList));
    const qsizetype before = console.requests().size();
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(console.lines().mid(before), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
}

// The classic controller is tried only after a plain rejection; an MFA account
// gets its own sentence and no fallback.
TEST_F(UniFiAdapterTest, TriesTheClassicControllerOnlyAfterAPlainRejection) {
    const auto attempt = [&](const Responder& uniFiOS, const Responder& classic) {
        console.route(uniFiOSLogin, uniFiOS);
        console.route(classicLogin, classic);
        const qsizetype before = console.requests().size();
        const Login result = connectNow();
        return std::pair(result, console.lines().mid(before));
    };
    const Login failed{false, uniFiAuthenticationFailedMessage()};
    const QList<QByteArray> both{uniFiOSLogin, classicLogin};
    credentials.items.clear();
    EXPECT_EQ(attempt({}, {}),
              std::pair(Login(false, u"No password stored for 127.0.0.1"_s), QList<QByteArray>()));
    credentials.items.insert(u"routerPassword_127.0.0.1"_s, u"pw"_s);
    EXPECT_EQ(attempt(cutOff, cutOff), std::pair(failed, both));
    // A poll sends the password again after answers that never came, but not
    // after a refusal by either generation.
    clientsNow();
    EXPECT_EQ(console.lines().count(uniFiOSLogin), 2);
    EXPECT_EQ(attempt(answering(401, "{}"), cutOff), std::pair(failed, both));
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(console.lines().count(uniFiOSLogin), 3);
    EXPECT_EQ(attempt(answering(401, R"({"code": "MFA_AUTH_REQUIRED"})"), {}),
              std::pair(Login(false, uniFiSSOAccountMessage()), QList<QByteArray>{uniFiOSLogin}));
    EXPECT_EQ(attempt(answering(401, R"({"code": "AUTHENTICATION_FAILED"})"),
                      answering(200, "{}", "Set-Cookie: unifises=xyz; Path=/\r\nX-CSRF-Token: c2\r\n")),
              std::pair(Login(true, std::nullopt), both));

    console.serve(classicStations, LoopbackHttpServer::answer(200, stationList));
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(console.requests().last().header("Cookie"), "unifises=xyz");
    EXPECT_EQ(console.requests().last().header("X-CSRF-Token"), "c2");

    // A router that no longer shows the pinned certificate hears the password
    // on neither port, and the sentence says why.
    identities.forget(u"127.0.0.1"_s);
    identities.keepLogin(u"127.0.0.1"_s, {.family = u"unifi"_s},
                         RouterIdentityStore::Certificate{443, u"00:11"_s});
    adapter = std::make_unique<UniFiAdapter>(access);
    const Responder accepting = answering(200, "{}", loggedIn);
    EXPECT_EQ(attempt(accepting, accepting),
              std::pair(Login(false, certificateChangedMessage(u"127.0.0.1"_s)), QList<QByteArray>()));
}

// The console's /api/system names the hardware; a classic controller has none.
TEST_F(UniFiAdapterTest, SystemPageNamesTheModelAndJudgesHealth) {
    const auto page = [&](const QByteArray& answer) {
        console.serve("443 GET /api/system", LoopbackHttpServer::answer(200, answer));
        return std::pair(modelNow(), healthNow());
    };
    EXPECT_EQ(page(R"({"hardware": {"shortname": "UDRULT"}})"),
              std::pair(std::optional(u"UCG Ultra"_s), true));
    EXPECT_EQ(page(R"({"version": "8.1"})"), std::pair(std::optional(u"UniFi Controller"_s), false));
    EXPECT_EQ(page(R"({"hardware": {"shortname": "UX\n"}})").first, u"UniFi UX\\x0A"_s);
    EXPECT_EQ(page(R"({"hardware": {"shortname": "\u200b"}})").first, u"UniFi Controller"_s);
    console.route("443 GET /api/system", silent);
    expectHealthFailsAtTheDeadline(6000);
}

// The logout goes where the login went: here the classic controller.
TEST_F(UniFiAdapterTest, LogoutEndsRequestsInFlightAndGoesWhereTheLoginWent) {
    console.route(uniFiOSLogin, answering(401, "{}"));
    console.route(classicLogin, answering(200, "{}", "Set-Cookie: unifises=xyz\r\n"));
    console.route(classicStations, silent);
    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients(
        [&](std::optional<QList<RouterClient>> list) { rows = list.value_or(QList<RouterClient>()); });
    ASSERT_TRUE(waitUntil([&] { return console.lines().count(classicStations) == 1; }));
    adapter->disconnect();
    adapter->resetSession();
    ASSERT_TRUE(
        waitUntil([&] { return rows.has_value() && console.lines().last() == "8443 POST /api/logout"; }));
    EXPECT_TRUE(rows->isEmpty());
    EXPECT_EQ(console.requests().last().header("Cookie"), "unifises=xyz");
}

// Answers that come after a reset or after the adapter is gone change nothing.
TEST_F(UniFiAdapterTest, LateAnswersAreDropped) {
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
    console.route(uniFiOSStations, silent);
    bool called = false;
    adapter->fetchClients([&](std::optional<QList<RouterClient>>) { called = true; });
    ASSERT_TRUE(waitUntil([&] { return console.lines().count(uniFiOSStations) == 1; }));
    EXPECT_EQ(console.lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSLogin, uniFiOSStations}));
    adapter->connect([&](bool, std::optional<QString>) { called = true; });
    pool.waitForDone();
    adapter.reset();
    pump(300);
    EXPECT_FALSE(called);
}

// The access point's master: started for the camera's access point, found
// again when it drops, closed by a reset, which also forgets the access point.
TEST_F(UniFiAdapterTest, FollowsTheTargetToItsAccessPoint) {
    resolveAccessPoint();
    // The look-up takes the access point from the poll's station list.
    EXPECT_EQ(console.lines(),
              (QList<QByteArray>{uniFiOSLogin, uniFiOSManagement, uniFiOSStations, uniFiOSDevices}));
    EXPECT_EQ(logged(u"VT-3002 ap:192.0.2.7"_s), 1);
    EXPECT_EQ(ssh.masterStarts(), QStringList{apLogin});

    answerHostapd(
        "0a:1b:2c:3d:4e:5f\nsignal=-58\ntx_bytes=1000\nrx_bytes=2000\ntx_rate_info=12010 hemcs 11 henss 2\n");
    EXPECT_EQ(clientNow(targetMAC.toUpper()),
              (RouterClient{targetMAC, u"10.0.0.7"_s, u"r5"_s, u"5G"_s, -58, 1201.0, true, 1000, 2000,
                            ClientLinkDetail{11, 2, 80, false, u"ax"_s}, false, u"Studio-South"_s}));
    EXPECT_EQ(console.requests().size(), 4);
    EXPECT_EQ(ssh.commands(),
              (QStringList{apLogin + u' ' + hostapdInterfacesCommand(),
                           apLogin + u' ' + *stationPingCommand(u"10.0.0.7"_s), apLogin + u" sleep 0.05"_s,
                           apLogin + u' ' + *hostapdStationCommand(targetMAC, {})}));
    EXPECT_EQ(logged(u"VT-5001 [DIAG] UniFi hostapd_cli sta output:\n0a:1b:2c:3d:4e:5f\n"_s), 1);

    // A missing signal leaves the whole row to the controller; missing counters only the counters.
    for (const auto& [answer, rssi] : {std::pair("", -61), std::pair("signal=-57\n", -57)}) {
        answerHostapd(answer);
        const RouterClient client = clientNow(targetMAC.toUpper()).value_or(RouterClient());
        EXPECT_EQ(std::pair(client.rssi, client.txBytes), std::pair(rssi, std::uint64_t(5000000000)));
    }
    EXPECT_EQ(logged(u"VT-3005 0a:1b:2c:3d:4e:5f"_s), 1);

    ssh.dropMaster();
    EXPECT_EQ(rssiNow(), -61);
    awaitMaster(2);
    EXPECT_EQ(rssiNow(), -57);
    EXPECT_EQ(console.lines().count(uniFiOSDevices), 2);

    const qsizetype exits = ssh.masterExits().size();
    adapter->resetSession();
    pool.waitForDone();
    EXPECT_EQ(ssh.masterExits().size(), exits + 1);
    const qsizetype before = console.requests().size();
    ssh.slowChecks();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console.lines().mid(before, 2), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));

    // A master start still under way at a reset brings up no master after it.
    ASSERT_TRUE(waitUntil([&] { return logged(u"VT-3002 ap:192.0.2.7"_s) == 3; }));
    adapter->resetSession();
    pool.waitForDone();
    EXPECT_EQ(ssh.masterStarts().size(), 2);
}

// A console showing another certificate than pinned (replaced, or an impostor
// at its address) ends the access-point path it led to: the camera's readings
// stop with the router's, and nothing more reaches either.
TEST_F(UniFiAdapterTest, AConsoleShowingAnotherCertificateEndsItsAccessPointPath) {
    resolveAccessPoint();
    answerHostapd("0a:1b:2c:3d:4e:5f\nsignal=-58\n");
    EXPECT_EQ(rssiNow(), -58);

    identities.forget(u"127.0.0.1"_s);
    identities.keepLogin(u"127.0.0.1"_s, {.family = u"unifi"_s},
                         RouterIdentityStore::Certificate{443, u"00:11"_s});
    console.dropConnections();
    pump(50);
    const qsizetype requests = console.requests().size();
    const qsizetype commands = ssh.commands().size();
    EXPECT_FALSE(healthNow());
    EXPECT_EQ(logged(u"VT-2003 identity-changed 127.0.0.1:443"_s), 1);
    pool.waitForDone();
    EXPECT_EQ(ssh.masterExits(), QStringList{apLogin});
    EXPECT_FALSE(clientNow(targetMAC.toUpper()));
    pool.waitForDone();
    EXPECT_EQ(console.requests().size(), requests);
    EXPECT_EQ(ssh.commands().size(), commands);
}

// The controller may name any address; the device password goes only to one on
// this computer's subnets. Every poll asks again, the log hears of it once.
TEST_F(UniFiAdapterTest, AnAccessPointOffThisComputersSubnetsIsNotContacted) {
    localSubnet = u"198.51.100."_s;
    serveUniFiOS();
    adapter->fetchAPSSHCredentials();
    ASSERT_TRUE(waitUntil([&] { return console.lines().count(uniFiOSManagement) == 1; }));
    for (int poll = 0; poll < 2; ++poll) {
        EXPECT_EQ(rssiNow(), -61);
        ASSERT_TRUE(waitUntil([&] { return console.lines().count(uniFiOSDevices) == poll + 1; }));
        pump(50);
    }
    pool.waitForDone();
    EXPECT_EQ(logged(u"VT-3003 ap:192.0.2.7 not on a local subnet"_s), 1);
    EXPECT_EQ(logged(u"VT-3002"_s), 0);
    EXPECT_TRUE(ssh.masterStarts().isEmpty());
}

// Two targets on two access points keep a master each; a target that roams is
// followed to its new access point while the old master stays for its minute.
TEST_F(UniFiAdapterTest, KeepsAMasterForEachAccessPointInUseAndFollowsARoam) {
    resolveAccessPoint();
    EXPECT_EQ(rssiNow(u"aa:00:00:00:00:02"_s), -56);
    awaitMaster(2);
    EXPECT_EQ(ssh.masterStarts(), (QStringList{apLogin, u"apadmin@192.0.2.8"_s}));
    answerHostapd("0a:1b:2c:3d:4e:5f\nsignal=-58\n");
    EXPECT_EQ(rssiNow(), -58);
    EXPECT_EQ(console.lines().count(uniFiOSDevices), 2);

    QByteArray roamed = stationList;
    roamed.replace(R"("ap_mac": "80:2a:a8:00:01:02")", R"("ap_mac": "80:2a:a8:00:01:03")");
    console.serve(uniFiOSStations, LoopbackHttpServer::answer(200, roamed));
    answerHostapd("");
    EXPECT_EQ(rssiNow(), -61);
    ASSERT_TRUE(waitUntil([&] { return console.lines().count(uniFiOSDevices) == 3; }));
    pool.waitForDone();
    pump(50);
    answerHostapd("0a:1b:2c:3d:4e:5f\nsignal=-63\n");
    const std::optional<RouterClient> there = clientNow(targetMAC.toUpper());
    EXPECT_EQ(std::pair(there->rssi, there->accessPoint), std::pair(-63, u"Studio-North"_s));
    EXPECT_EQ(ssh.commands().constLast().section(u' ', 0, 0), u"apadmin@192.0.2.8"_s);
    EXPECT_EQ(ssh.masterStarts().size(), 2);
    EXPECT_TRUE(ssh.masterExits().isEmpty());
}

// A master no target has asked for a minute is closed when another is used.
TEST_F(UniFiAdapterTest, AnAccessPointMasterUnusedForAMinuteIsClosed) {
    AccessPointLink::Clock::time_point now{};
    std::optional<RouterClient> row;
    QObject context;
    UniFiAccessPointPath path(context, access, [&] { return now; });
    const AccessPointSSHCredentials login{u"apadmin"_s, u"ap-secret"_s};
    const auto follow = [&](const QString& mac, const QString& ip) {
        path.beginLookUp(mac);
        path.finishLookUp(mac, mac, {ip, QString(), QString()}, login);
        ASSERT_TRUE(waitUntil([&] { return !path.isLookingUp(mac); }));
    };
    follow(u"aa:00:00:00:00:01"_s, u"192.0.2.7"_s);
    now += UniFiAccessPointPath::idleMasterLifetime - 1s;
    follow(u"aa:00:00:00:00:02"_s, u"192.0.2.8"_s);
    path.query(u"aa:00:00:00:00:02"_s, login, [&](std::optional<RouterClient> answer) { row = answer; });
    pool.waitForDone();
    EXPECT_TRUE(ssh.masterExits().isEmpty());
    now += 1s;
    path.query(u"aa:00:00:00:00:02"_s, login, [&](std::optional<RouterClient> answer) { row = answer; });
    pool.waitForDone();
    EXPECT_EQ(ssh.masterExits(), QStringList{apLogin});
    EXPECT_FALSE(path.isResolved(u"aa:00:00:00:00:01"_s));
    EXPECT_TRUE(path.isResolved(u"aa:00:00:00:00:02"_s));
}

} // namespace
