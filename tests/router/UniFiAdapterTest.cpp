#include "router/UniFiAdapter.h"

#include "LoopbackHttpServer.h"
#include "MemoryCredentialStore.h"
#include "SshTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "router/AccessPointCommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::optional<QSslConfiguration> makeConsoleTls() {
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString certificate = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=unifi.invalid"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), certificate});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return std::nullopt;
    QFile keyFile(key);
    keyFile.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(certificate));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

struct ConsoleRequest {
    quint16 port = 0;
    QByteArray line;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const {
        for (const auto& [key, value] : headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
    bool hasHeader(const QByteArray& name) const {
        return std::any_of(headers.cbegin(), headers.cend(), [&](const auto& header) {
            return header.first.compare(name, Qt::CaseInsensitive) == 0;
        });
    }
};

// A UniFi OS console on 443 and a classic controller on 8443 at 127.0.0.1 that
// keep every request, bodies included, and answer by route. An unrouted request
// gets 404; a route may also answer late, cut the connection or never answer.
class FakeConsole {
public:
    using Route = std::function<void(const ConsoleRequest&, QTcpSocket&)>;

    explicit FakeConsole(const QSslConfiguration& tls) {
        for (const quint16 port : {quint16(443), quint16(8443)}) {
            auto server = std::make_unique<QSslServer>();
            server->setSslConfiguration(tls);
            QObject::connect(server.get(), &QTcpServer::pendingConnectionAvailable, server.get(),
                             [this, port, raw = server.get()] {
                                 while (QTcpSocket* socket = raw->nextPendingConnection())
                                     accept(socket, port);
                             });
            server->listen(QHostAddress::LocalHost, port);
            servers.push_back(std::move(server));
        }
    }
    bool isListening() const {
        return std::all_of(servers.cbegin(), servers.cend(),
                           [](const auto& server) { return server->isListening(); });
    }

    // `line` is "443 GET /path".
    // No route: 404.
    void route(const QByteArray& line, Route answer) {
        if (answer)
            routes.insert(line, std::move(answer));
        else
            routes.remove(line);
    }
    void route(const QByteArray& line, int status, const QByteArray& body, const QByteArray& headers = {}) {
        route(line, [=](const ConsoleRequest&, QTcpSocket& socket) {
            socket.write(LoopbackHttpServer::answer(status, body, headers));
        });
    }
    QList<QByteArray> lines() const {
        QList<QByteArray> seen;
        for (const ConsoleRequest& request : requests)
            seen.append(request.line);
        return seen;
    }
    qsizetype count(const QByteArray& line) const { return lines().count(line); }

    QList<ConsoleRequest> requests;

private:
    void accept(QTcpSocket* socket, quint16 port) {
        auto pending = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, port, pending] {
            *pending += socket->readAll();
            while (std::optional<ConsoleRequest> request = takeRequest(*pending, port)) {
                requests.append(*request);
                const auto answer = routes.constFind(request->line);
                if (answer == routes.cend())
                    socket->write(LoopbackHttpServer::answer(404, "{}"));
                else
                    (*answer)(*request, *socket);
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    static std::optional<ConsoleRequest> takeRequest(QByteArray& pending, quint16 port) {
        const qsizetype headEnd = pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return std::nullopt;
        QList<QByteArray> headLines = pending.left(headEnd).split('\n');
        ConsoleRequest request;
        const QList<QByteArray> startLine = headLines.takeFirst().trimmed().split(' ');
        request.port = port;
        request.line = QByteArray::number(port) + ' ' + startLine.value(0) + ' ' + startLine.value(1);
        qsizetype bodyLength = 0;
        for (const QByteArray& line : headLines) {
            const qsizetype colon = line.indexOf(':');
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            if (request.headers.last().first.compare("Content-Length", Qt::CaseInsensitive) == 0)
                bodyLength = request.headers.last().second.toLongLong();
        }
        if (pending.size() < headEnd + 4 + bodyLength)
            return std::nullopt;
        request.body = pending.mid(headEnd + 4, bodyLength);
        pending.remove(0, headEnd + 4 + bodyLength);
        return request;
    }

    std::vector<std::unique_ptr<QSslServer>> servers;
    QHash<QByteArray, Route> routes;
};

// Stands in for ssh to the access point: the master comes up only when the
// askpass script tells the password in ap-password; commands are recorded with
// their login target, and the hostapd loop prints hostapd-answer.
const char fakeAccessPointSsh[] = R"sh(#!/bin/sh
here=$(dirname "$0")
for last; do :; done
if [ "$1" = -M ]; then
    echo "$last" >>"$here/master-starts"
    [ "$("$SSH_ASKPASS")" = "$(cat "$here/ap-password")" ] || exit 255
    touch "$here/master-up"
    exec sleep 30
fi
if [ "$3" = -O ]; then
    case "$4" in
    check) [ -e "$here/master-up" ]; exit ;;
    exit) rm -f "$here/master-up"; echo "$last" >>"$here/master-exits"; exit 0 ;;
    esac
fi
echo "$3 $4" >>"$here/commands"
case "$4" in
for*) cat "$here/hostapd-answer" 2>/dev/null ;;
esac
exit 0
)sh";

const QString targetMAC = QStringLiteral("0a:1b:2c:3d:4e:5f");
const QByteArray uniFiOSLogin = "443 POST /api/auth/login";
const QByteArray classicLogin = "8443 POST /api/login";
const QByteArray uniFiOSStations = "443 GET /proxy/network/api/s/default/stat/sta";
const QByteArray uniFiOSDevices = "443 GET /proxy/network/api/s/default/stat/device";
const QByteArray uniFiOSManagement = "443 GET /proxy/network/api/s/default/rest/setting/mgmt";
const QByteArray loggedIn = "TOKEN=abc; path=/; samesite=none; secure; httponly";

// A wired desk, the camera (with its access point) and a phone reporting `rssi`
// above the noise floor.
QByteArray stationList() {
    return R"({"meta": {"rc": "ok"}, "data": [
        {"mac": "aa:00:00:00:00:01", "is_wired": true, "hostname": "desk"},
        {"mac": "0a:1b:2c:3d:4e:5f", "hostname": "r5", "ip": "10.0.0.7", "radio": "na", "signal": -61,
         "tx_rate": 866700, "tx_bytes": "5000000000", "rx_bytes": 42, "nss": 2, "radio_proto": "ax",
         "ap_mac": "80:2a:a8:00:01:02"},
        {"mac": "aa:00:00:00:00:02", "rssi": 40, "radio": "ng", "ap_mac": "80:2a:a8:00:01:03"}]})";
}
const QByteArray deviceList = R"({"data": [{"mac": "80:2A:A8:00:01:02", "ip": "192.0.2.7"},
                                            {"mac": "80:2a:a8:00:01:03", "ip": "192.0.2.8"}]})";

class UniFiAdapterTest : public testing::Test {
protected:
    static void SetUpTestSuite() { tls = makeConsoleTls(); }

    void SetUp() override {
        ASSERT_TRUE(tls) << "openssl could not make a test certificate";
        console = std::make_unique<FakeConsole>(*tls);
        if (!console->isListening())
            GTEST_SKIP() << "ports 443 and 8443 need run-on-private-loopback.sh";
        settings.writeString(SettingsKey::routerUsername, QStringLiteral("admin"));
        settings.writeString(SettingsKey::targetMAC, targetMAC.toUpper());
        credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), QStringLiteral("pw"));

        ASSERT_TRUE(QDir().mkpath(environment.path(QStringLiteral("bin"))));
        QFile script(sshFile("ssh"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(fakeAccessPointSsh);
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        writeSshFile("ap-password", "ap-secret");
        qputenv("VELTRANO_SSH", QFile::encodeName(script.fileName()));
        adapter = std::make_unique<UniFiAdapter>(access);
    }

    void TearDown() override {
        // Background work uses the adapter's ssh transport; the manager waits the same way.
        pool.waitForDone();
        adapter.reset();
        qunsetenv("VELTRANO_SSH");
    }

    template <typename Result, typename Call> Result await(Call call, int timeoutMs = 15000) {
        std::optional<Result> result;
        int calls = 0;
        call([&](auto... values) {
            ++calls;
            result.emplace(std::move(values)...);
        });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, timeoutMs));
        pump(20);
        EXPECT_EQ(calls, result ? 1 : 0);
        return result.value_or(Result());
    }
    std::pair<bool, std::optional<QString>> connectNow() {
        return await<std::pair<bool, std::optional<QString>>>([&](auto done) { adapter->connect(done); });
    }
    QList<RouterClient> clientsNow() {
        return await<QList<RouterClient>>([&](auto done) { adapter->fetchClients(done); });
    }
    std::optional<RouterClient> clientNow(const QString& mac = targetMAC.toUpper()) {
        return await<std::optional<RouterClient>>([&](auto done) { adapter->fetchClient(mac, done); });
    }
    int rssiNow(const QString& mac = targetMAC.toUpper()) {
        return clientNow(mac).value_or(RouterClient()).rssi;
    }
    static void pump(int ms) {
        waitUntil([] { return false; }, ms);
    }

    QString sshFile(const char* name) const {
        return environment.path(QStringLiteral("bin/") + QLatin1String(name));
    }
    void writeSshFile(const char* name, const QByteArray& content) const {
        QFile file(sshFile(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }
    QStringList sshRecord(const char* name) const {
        QFile file(sshFile(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    qsizetype logged(const QString& prefix) const {
        const QStringList lines = systemLog.lines();
        return std::count_if(lines.cbegin(), lines.cend(),
                             [&](const QString& line) { return line.startsWith(prefix); });
    }

    void serveUniFiOS() {
        console->route(uniFiOSLogin, 200, "{}",
                       "Set-Cookie: " + loggedIn + "\r\nX-Updated-Csrf-Token: csrf1\r\n");
        console->route(uniFiOSStations, 200, stationList());
        console->route(uniFiOSDevices, 200, deviceList);
        console->route(
            uniFiOSManagement, 200,
            R"({"data": [{"key": "mgmt", "x_ssh_username": "apadmin", "x_ssh_password": "ap-secret"}]})");
    }
    // The first poll answers from the station list and finds the camera's access
    // point; returns once the master to it is up.
    void resolveAccessPoint(bool withCredentials = true) {
        serveUniFiOS();
        if (withCredentials) {
            adapter->fetchAPSSHCredentials();
            ASSERT_TRUE(waitUntil([&] { return console->count(uniFiOSManagement) == 1; }));
            pump(200);
        }
        ASSERT_TRUE(clientNow());
        const QString awaited = withCredentials ? QStringLiteral("VT-1002") : QStringLiteral("VT-1004");
        ASSERT_TRUE(waitUntil([&] { return logged(awaited) == 1; }));
        pool.waitForDone();
        pump(50);
    }

    static inline std::optional<QSslConfiguration> tls;
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore credentials;
    ThreadSafeRecordingLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    QThreadPool pool;
    RouterAccess access{settings,
                        credentials,
                        logger,
                        pool,
                        [] { return QStringLiteral("127.0.0.1"); },
                        environment.path(QStringLiteral("run"))};
    std::unique_ptr<FakeConsole> console;
    std::unique_ptr<UniFiAdapter> adapter;
};

TEST_F(UniFiAdapterTest, LogsInToTheConsoleAndCarriesItsSessionOnward) {
    serveUniFiOS();
    EXPECT_EQ(connectNow(), std::make_pair(true, std::optional<QString>()));
    const QList<RouterClient> rows = clientsNow();
    EXPECT_EQ(connectNow().first, true);

    ASSERT_EQ(console->lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
    const ConsoleRequest& login = console->requests[0];
    EXPECT_EQ(login.header("Content-Type"), "application/json");
    EXPECT_EQ(login.header("Origin"), "https://127.0.0.1");
    EXPECT_EQ(login.header("Referer"), "https://127.0.0.1/");
    EXPECT_FALSE(login.hasHeader("Cookie"));
    EXPECT_EQ(QJsonDocument::fromJson(login.body).object(),
              (QJsonObject{{QStringLiteral("username"), QStringLiteral("admin")},
                           {QStringLiteral("password"), QStringLiteral("pw")},
                           {QStringLiteral("remember"), true}}));
    EXPECT_EQ(console->requests[1].header("Cookie"), "TOKEN=abc");
    EXPECT_EQ(console->requests[1].header("X-CSRF-Token"), "csrf1");
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
    FakeConsole::Route uniFiOS;
    FakeConsole::Route classic;
    std::pair<bool, std::optional<QString>> result;
    QList<QByteArray> logins;
    // The station list request a logged-in session makes, with its headers.
    QByteArray stations = {};
    QByteArray cookie = {};
    QByteArray csrf = {};
    QString password = QStringLiteral("pw");

    friend void PrintTo(const LoginRow& row, std::ostream* os) { *os << row.name; }
};

FakeConsole::Route answering(int status, const QByteArray& body, const QByteArray& headers = {}) {
    return [=](const ConsoleRequest&, QTcpSocket& socket) {
        socket.write(LoopbackHttpServer::answer(status, body, headers));
    };
}

void cutOff(const ConsoleRequest&, QTcpSocket& socket) {
    socket.write("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"da");
    socket.flush();
    socket.abort();
}

class UniFiLoginSequenceTest : public UniFiAdapterTest, public testing::WithParamInterface<LoginRow> {};

TEST_P(UniFiLoginSequenceTest, TriesTheClassicControllerOnlyAfterAPlainRejection) {
    const LoginRow& row = GetParam();
    credentials.items.insert(QStringLiteral("routerPassword_127.0.0.1"), row.password);
    console->route(uniFiOSLogin, row.uniFiOS);
    console->route(classicLogin, row.classic);
    console->route(uniFiOSStations, 200, stationList());
    console->route("8443 GET /api/s/default/stat/sta", 200, stationList());

    EXPECT_EQ(connectNow(), row.result);
    EXPECT_EQ(console->lines(), row.logins);
    if (!row.result.first)
        return;
    clientsNow();
    const ConsoleRequest& stations = console->requests.last();
    EXPECT_EQ(stations.line, row.stations);
    EXPECT_EQ(stations.header("Cookie"), row.cookie);
    EXPECT_EQ(stations.header("X-CSRF-Token"), row.csrf);
    EXPECT_EQ(stations.hasHeader("X-CSRF-Token"), !row.csrf.isEmpty());
}

const std::pair<bool, std::optional<QString>> accepted{true, std::nullopt};
const std::pair<bool, std::optional<QString>> ssoAccount{false, uniFiSSOAccountMessage()};
const std::pair<bool, std::optional<QString>> authenticationFailed{false, uniFiAuthenticationFailedMessage()};

INSTANTIATE_TEST_SUITE_P(
    Consoles, UniFiLoginSequenceTest,
    testing::Values(
        LoginRow{"classicAfterRejection",
                 answering(401, R"({"code": "AUTHENTICATION_FAILED"})"),
                 answering(200, R"({"meta": {"rc": "ok"}})",
                           "Set-Cookie: unifises=xyz; Path=/\r\nX-CSRF-Token: c2\r\n"),
                 accepted,
                 {uniFiOSLogin, classicLogin},
                 "8443 GET /api/s/default/stat/sta",
                 "unifises=xyz",
                 "c2"},
        LoginRow{"tokenInTheBody",
                 answering(200, R"({"token": "jwt"})"),
                 nullptr,
                 accepted,
                 {uniFiOSLogin},
                 uniFiOSStations,
                 "TOKEN=jwt"},
        LoginRow{"mfaCodeHasNoFallback",
                 answering(401, R"({"code": "MFA_AUTH_REQUIRED"})"),
                 nullptr,
                 ssoAccount,
                 {uniFiOSLogin}},
        LoginRow{"status499HasNoFallback", answering(499, "{}"), nullptr, ssoAccount, {uniFiOSLogin}},
        LoginRow{"htmlThenClassicRejects",
                 answering(200, "<html>sign in</html>"),
                 answering(400, "{}"),
                 authenticationFailed,
                 {uniFiOSLogin, classicLogin}},
        LoginRow{"cutOffTwice", cutOff, cutOff, authenticationFailed, {uniFiOSLogin, classicLogin}},
        LoginRow{
            "noPasswordSendsNothing", nullptr, nullptr, authenticationFailed, {}, {}, {}, {}, QString()}),
    [](const testing::TestParamInfo<LoginRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, ExpiredSessionGivesOneEmptyListThenLogsInAgain) {
    serveUniFiOS();
    int stationRequests = 0;
    console->route(uniFiOSStations, [&](const ConsoleRequest&, QTcpSocket& socket) {
        socket.write(++stationRequests == 1 ? LoopbackHttpServer::answer(401, R"({"meta": {"rc": "error"}})")
                                            : LoopbackHttpServer::answer(200, stationList()));
    });

    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientsNow().size(), 2);
    EXPECT_EQ(console->lines(),
              (QList<QByteArray>{uniFiOSLogin, uniFiOSStations, uniFiOSLogin, uniFiOSStations}));
}

struct BrokenListRow {
    std::string name;
    FakeConsole::Route stations;

    friend void PrintTo(const BrokenListRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiBrokenListTest : public UniFiAdapterTest, public testing::WithParamInterface<BrokenListRow> {};

TEST_P(UniFiBrokenListTest, GivesNoRows) {
    serveUniFiOS();
    console->route(uniFiOSStations, GetParam().stations);
    EXPECT_TRUE(clientsNow().isEmpty());
    EXPECT_EQ(clientNow(), std::nullopt);
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
    console->route("443 GET /api/system", 200, GetParam().answer);
    EXPECT_EQ(await<std::optional<QString>>([&](auto done) { adapter->fetchModelName(done); }),
              GetParam().model);
    EXPECT_EQ(await<bool>([&](auto done) { adapter->probeRouterHealth(done); }), GetParam().healthy);
}

SystemRow hardware(const char* shortName, const char* model) {
    return {shortName, R"({"hardware": {"shortname": ")" + QByteArray(shortName) + R"("}})",
            QString::fromUtf8(model), true};
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiSystemTest,
    testing::Values(hardware("UDRULT", "UCG Ultra"), hardware("UDR", "Dream Router"),
                    hardware("UDMPRO", "Dream Machine Pro"), hardware("UDMPROSE", "Dream Machine Pro SE"),
                    hardware("UDM", "Dream Machine"), hardware("UNVR", "UniFi NVR"),
                    hardware("UXG", "UniFi UXG"),
                    SystemRow{"emptyShortName", R"({"hardware": {"shortname": ""}})",
                              QStringLiteral("UniFi Controller"), true},
                    SystemRow{"nameOnly", R"({"name": "UniFi Network"})", QStringLiteral("UniFi Controller"),
                              true},
                    SystemRow{"neither", R"({"version": "8.1"})", QStringLiteral("UniFi Controller"), false},
                    SystemRow{"htmlPage", "<html>login</html>", QStringLiteral("UniFi Controller"), false}),
    [](const testing::TestParamInfo<SystemRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, HealthProbeGivesUpAtItsDeadline) {
    console->route("443 GET /api/system", [](const ConsoleRequest&, QTcpSocket&) {});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(await<bool>([&](auto done) { adapter->probeRouterHealth(done); }));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 6000);
}

struct LogoutRow {
    std::string name;
    FakeConsole::Route uniFiOS;
    QByteArray logout;

    friend void PrintTo(const LogoutRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiLogoutTest : public UniFiAdapterTest, public testing::WithParamInterface<LogoutRow> {};

TEST_P(UniFiLogoutTest, EndsRequestsInFlightAndLogsOutWhereItLoggedIn) {
    console->route(uniFiOSLogin, GetParam().uniFiOS);
    console->route(classicLogin, answering(200, "{}", "Set-Cookie: unifises=xyz\r\n"));
    console->route(uniFiOSStations, [](const ConsoleRequest&, QTcpSocket&) {});
    console->route("8443 GET /api/s/default/stat/sta", [](const ConsoleRequest&, QTcpSocket&) {});
    ASSERT_TRUE(connectNow().first);
    const qsizetype loginRequests = console->requests.size();

    std::optional<QList<RouterClient>> rows;
    adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
    ASSERT_TRUE(waitUntil([&] { return console->requests.size() == loginRequests + 1; }));
    adapter->disconnect();
    adapter->resetSession();
    ASSERT_TRUE(waitUntil([&] { return rows.has_value() && console->lines().last() == GetParam().logout; }));
    EXPECT_TRUE(rows->isEmpty());
    EXPECT_FALSE(console->requests.last().header("Cookie").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Consoles, UniFiLogoutTest,
                         testing::Values(LogoutRow{"uniFiOS",
                                                   answering(200, "{}", "Set-Cookie: " + loggedIn + "\r\n"),
                                                   "443 POST /api/auth/logout"},
                                         LogoutRow{"classic", answering(401, "{}"), "8443 POST /api/logout"}),
                         [](const testing::TestParamInfo<LogoutRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, DisconnectWithoutASessionSendsNothing) {
    adapter->disconnect();
    pump(200);
    EXPECT_TRUE(console->requests.isEmpty());
}

TEST_F(UniFiAdapterTest, ForgottenSessionsLateLoginChangesNothing) {
    QPointer<QTcpSocket> held;
    console->route(uniFiOSLogin, [&](const ConsoleRequest&, QTcpSocket& socket) { held = &socket; });
    std::optional<std::pair<bool, std::optional<QString>>> result;
    adapter->connect([&](bool ok, std::optional<QString> message) { result.emplace(ok, message); });
    ASSERT_TRUE(waitUntil([&] { return !held.isNull(); }));
    adapter->resetSession();
    held->write(LoopbackHttpServer::answer(200, "{}", "Set-Cookie: " + loggedIn + "\r\n"));

    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(*result, std::make_pair(false, std::optional<QString>()));
    serveUniFiOS();
    clientsNow();
    EXPECT_EQ(console->lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSLogin, uniFiOSStations}));
}

TEST_F(UniFiAdapterTest, DestroyedAdapterNeverCallsBack) {
    serveUniFiOS();
    console->route(uniFiOSStations, [](const ConsoleRequest&, QTcpSocket&) {});
    bool called = false;
    adapter->fetchClients([&](QList<RouterClient>) { called = true; });
    ASSERT_TRUE(waitUntil([&] { return console->count(uniFiOSStations) == 1; }));
    adapter->connect([&](bool, std::optional<QString>) { called = true; });
    pool.waitForDone();
    adapter.reset();
    pump(300);
    EXPECT_FALSE(called);
}

TEST_F(UniFiAdapterTest, FollowsTheTargetToItsAccessPoint) {
    resolveAccessPoint();
    EXPECT_EQ(console->lines(), (QList<QByteArray>{uniFiOSLogin, uniFiOSManagement, uniFiOSStations,
                                                   uniFiOSStations, uniFiOSDevices}));
    EXPECT_EQ(logged(QStringLiteral("VT-3002 ap:192.0.2.7")), 1);
    EXPECT_EQ(sshRecord("master-starts"), QStringList{QStringLiteral("apadmin@192.0.2.7")});

    writeSshFile("hostapd-answer",
                 "0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\ntx_bytes=1000\nsignal=-58\nrx_bytes=2000\n"
                 "tx_rate_info=12010 he-mcs 11 he-nss 2\n");
    const std::optional<RouterClient> row = clientNow();
    clientNow();

    RouterClient expected{targetMAC,
                          QStringLiteral("10.0.0.7"),
                          QStringLiteral("r5"),
                          QStringLiteral("5G"),
                          -58,
                          0.0,
                          true,
                          1000,
                          2000,
                          ClientLinkDetail{std::nullopt, 2, 80, std::nullopt, QStringLiteral("ax")}};
    EXPECT_EQ(row, expected);
    EXPECT_EQ(console->requests.size(), 5);
    const QString login = QStringLiteral("apadmin@192.0.2.7 ");
    EXPECT_EQ(sshRecord("commands").mid(0, 2),
              (QStringList{login + *stationPingCommand(QStringLiteral("10.0.0.7")),
                           login + *hostapdStationCommand(targetMAC)}));
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

class UniFiHostapdAnswerTest : public UniFiAdapterTest, public testing::WithParamInterface<HostapdRow> {};

TEST_P(UniFiHostapdAnswerTest, FallsBackToTheControllerForWhatIsMissing) {
    const HostapdRow& row = GetParam();
    resolveAccessPoint();
    writeSshFile("hostapd-answer", row.answer);
    const qsizetype before = console->requests.size();

    const std::optional<RouterClient> client = clientNow();
    ASSERT_TRUE(client);
    EXPECT_EQ(client->rssi, row.rssi);
    EXPECT_EQ(client->txBytes, row.txBytes);
    EXPECT_EQ(client->rxBytes, row.rxBytes);
    EXPECT_EQ(console->lines().mid(before), row.requests);
    EXPECT_EQ(logged(QStringLiteral("VT-3005 0a:1b:2c:3d:4e:5f")), row.targetAbsent);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiHostapdAnswerTest,
    testing::Values(
        HostapdRow{"failOnEveryInterface", "", -61, 5000000000, 42, {uniFiOSStations}, 1},
        HostapdRow{
            "noSignalLine", "0a:1b:2c:3d:4e:5f\ntx_bytes=9\n", -61, 5000000000, 42, {uniFiOSStations}, 1},
        HostapdRow{"zeroCounters",
                   "signal=-58\ntx_bytes=0\nrx_bytes=0\n",
                   -58,
                   5000000000,
                   42,
                   {uniFiOSStations},
                   0},
        HostapdRow{"countersBeyond32Bits",
                   "signal=-70\ntx_bytes=8589934592\nrx_bytes=1\n",
                   -70,
                   8589934592,
                   1,
                   {},
                   0}),
    [](const testing::TestParamInfo<HostapdRow>& info) { return info.param.name; });

TEST_F(UniFiAdapterTest, WithoutDeviceCredentialsStaysOnTheStationList) {
    resolveAccessPoint(false);
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console->count(uniFiOSDevices), 1);
    EXPECT_EQ(logged(QStringLiteral("VT-1004")), 1);
    EXPECT_TRUE(sshRecord("master-starts").isEmpty());
}

TEST_F(UniFiAdapterTest, LostMasterIsFoundAgain) {
    resolveAccessPoint();
    writeSshFile("hostapd-answer", "signal=-50\ntx_bytes=1\nrx_bytes=1\n");
    // The access point rebooted.
    QFile::remove(sshFile("master-up"));

    EXPECT_EQ(rssiNow(), -61);
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("VT-1002")) == 2; }));
    pool.waitForDone();
    pump(50);
    EXPECT_EQ(rssiNow(), -50);
    EXPECT_EQ(console->count(uniFiOSDevices), 2);
}

TEST_F(UniFiAdapterTest, MovesTheMasterWhenAnotherTargetsAccessPointIsFound) {
    resolveAccessPoint();
    const QString phone = QStringLiteral("aa:00:00:00:00:02");
    EXPECT_EQ(rssiNow(phone), -56);
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("VT-1002")) == 2; }));
    pool.waitForDone();
    pump(50);

    EXPECT_EQ(sshRecord("master-exits"), QStringList{QStringLiteral("apadmin@192.0.2.7")});
    EXPECT_EQ(sshRecord("master-starts"),
              (QStringList{QStringLiteral("apadmin@192.0.2.7"), QStringLiteral("apadmin@192.0.2.8")}));
    // The camera's access point is known but no longer the master's: the
    // station list answers, and no second look-up starts.
    const qsizetype commands = sshRecord("commands").size();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(sshRecord("commands").size(), commands);
    EXPECT_EQ(console->count(uniFiOSDevices), 2);
}

TEST_F(UniFiAdapterTest, ResetSessionClosesTheMasterAndForgetsTheAccessPoint) {
    resolveAccessPoint();
    adapter->resetSession();
    pool.waitForDone();
    EXPECT_EQ(sshRecord("master-exits"), QStringList{QStringLiteral("apadmin@192.0.2.7")});

    const qsizetype before = console->requests.size();
    EXPECT_EQ(rssiNow(), -61);
    EXPECT_EQ(console->lines().mid(before, 2), (QList<QByteArray>{uniFiOSLogin, uniFiOSStations}));
}

} // namespace
