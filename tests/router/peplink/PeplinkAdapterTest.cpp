#include "router/peplink/PeplinkAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "router/keyring/RouterCredentials.h"
#include "settings/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

const QByteArray grant = "443 POST /api/auth.token.grant";
const QByteArray adminLogin = "443 POST /api/login";
const QByteArray clientList = "443 GET /api/status.client?outputWeight=full";
const QByteArray systemInfo = "443 GET /api/status.system.info?infoType=device";
const QByteArray systemStatus = "443 GET /api/status.system";
const QString camera = u"78:f5:05:aa:bb:cc"_s;

QByteArray ok(const QByteArray& body) {
    return LoopbackHttpServer::answer(200, body);
}
const QByteArray deviceGrant = ok(R"({"stat":"ok","response":{"accessToken":"t1","expiresIn":"172800"}})");
const QByteArray refused = LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})");
const QByteArray twoClients = ok(R"({"stat":"ok","response":{"list":[
    {"mac":"AA:BB:CC:00:00:01","connectionType":"ethernet","name":"nas"},
    {"mac":"78:F5:05:AA:BB:CC","connectionType":"wireless","name":"R5","signalStrength":-61,"channel":36}]}})");

QByteArray sessionCookie(const QByteArray& value) {
    return LoopbackHttpServer::answer(200, R"({"stat":"ok"})",
                                      "Set-Cookie: bauth=" + value + "; Path=/; Secure\r\n");
}
// Each request gets the next answer; the last one stays.
LoopbackHttpServer::Responder inTurn(const QList<QByteArray>& answers) {
    return [left = std::make_shared<QList<QByteArray>>(answers)](QTcpSocket& socket) {
        socket.write(left->size() > 1 ? left->takeFirst() : left->first());
    };
}

// The router on 127.0.0.1:443; a request line it has no answer for is never
// answered, an empty answer drops the connection.
class PeplinkAdapterTest : public RouterAdapterTest<PeplinkAdapter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(router.isListening()) << "port 443 needs run-on-private-loopback.sh";
        settings.writeString(SettingsKey::routerUsername, u"admin"_s);
        credentials.items.insert(RouterCredentials::accountFor(address), password);
    }
    QJsonObject body(qsizetype request) const {
        return QJsonDocument::fromJson(router.requests()[request].body).object();
    }

    QString password = uR"(pa'ss"wo\rd)"_s;
    LoopbackHttpServer router{routerTls(), 443};
};

TEST_F(PeplinkAdapterTest, OneGrantedTokenServesPollsProbeAndModelUntilTheSessionEnds) {
    router.serve(grant, deviceGrant);
    router.serve(clientList, twoClients);
    router.serve(systemInfo, LoopbackHttpServer::answer(404, R"({"stat":"fail","code":404})"));
    router.serve(systemStatus, ok(R"({"stat":"ok","response":{"model":"B20X"}})"));

    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(clientNow(camera).value_or(RouterClient()).rssi, -61);
    EXPECT_EQ(modelNow(), u"B20X"_s);
    EXPECT_TRUE(healthNow());
    EXPECT_EQ(router.lines(), (QList<QByteArray>{grant, clientList, systemInfo, systemStatus, systemStatus}))
        << "a router without status.system.info is asked at status.system from then on";
    EXPECT_EQ(body(0), (QJsonObject{{u"username"_s, u"admin"_s}, {u"password"_s, password}}));
    for (const LoopbackHttpServer::Request& request : router.requests().mid(1))
        EXPECT_EQ(request.header("Authorization"), "Bearer t1");
    EXPECT_EQ(logged(u"VT-2002"_s), 1);

    // A reset or another address ends the session: its token goes nowhere, and
    // the probe logs in afresh (where the keyring knows a password).
    adapter->resetSession();
    EXPECT_TRUE(healthNow());
    address = u"localhost"_s;
    EXPECT_FALSE(healthNow());
    address = u"127.0.0.1"_s;
    EXPECT_TRUE(healthNow());
    EXPECT_EQ(router.lines().mid(5),
              (QList<QByteArray>{grant, systemInfo, systemStatus, grant, systemInfo, systemStatus}));
}

TEST_F(PeplinkAdapterTest, FirmwareThatGrantsTokensToAPIClientsOnlyIsReadWithTheAdminSessionCookie) {
    router.serve(grant, ok(R"({"stat":"fail","code":401,"message":"Invalid client ID or secret"})"));
    router.route(adminLogin, inTurn({sessionCookie("c1"), sessionCookie("c2")}));
    router.route(clientList, inTurn({twoClients, refused, twoClients, refused}));
    router.serve(systemInfo, ok(R"({"stat":"ok","response":{"device":{"model":"Balance 20X"}}})"));

    // The second poll finds the session ended and logs in again, the third
    // gives up after that one more login.
    EXPECT_TRUE(clientNow(camera));
    EXPECT_TRUE(clientNow(camera));
    EXPECT_FALSE(clientNow(camera));
    EXPECT_EQ(modelNow(), u"Balance 20X"_s);
    EXPECT_EQ(router.lines(),
              (QList<QByteArray>{grant, adminLogin, clientList, clientList, adminLogin, clientList,
                                 clientList, adminLogin, clientList, systemInfo}));
    EXPECT_EQ(body(1),
              (QJsonObject{
                  {u"username"_s, u"admin"_s}, {u"password"_s, password}, {u"challenge"_s, u"challenge"_s}}));
    EXPECT_EQ(router.requests()[1].header("Content-Type"), "application/json");
    EXPECT_EQ(router.requests()[2].header("Cookie"), "bauth=c1");
    EXPECT_EQ(router.requests()[5].header("Cookie"), "bauth=c2");
    EXPECT_EQ(router.requests()[9].header("Authorization"), std::nullopt);
    EXPECT_EQ(logged(u"VT-2002"_s), 1) << "one login a session, not one a poll";
}

TEST_F(PeplinkAdapterTest, CallersShareALoginTheKeyringIsReadOnceASessionAndARefusalWaitsForTheUser) {
    router.serve(grant, deviceGrant);
    router.serve(clientList, twoClients);
    int rows = 0;
    // Slot A, slot B and the picker.
    for (int caller = 0; caller < 3; ++caller)
        adapter->fetchClients(
            [&rows](const std::optional<QList<RouterClient>>& list) { rows += list ? list->size() : 0; });
    EXPECT_TRUE(waitUntil([&rows] { return rows == 3; }));
    EXPECT_EQ(router.lines().count(grant), 1);

    // The session's next login needs no keyring; the user's connect reads it again.
    credentials.failure = CredentialStatus::collectionLocked;
    router.route(clientList, inTurn({refused, twoClients}));
    EXPECT_TRUE(clientNow(camera));
    EXPECT_EQ(router.lines().count(grant), 2);
    EXPECT_EQ(connectNow(),
              std::pair(false, std::optional(u"Keyring is locked — unlock it and connect again"_s)));

    credentials.failure = CredentialStatus::success;
    router.serve(grant, refused);
    router.serve(adminLogin, refused);
    const qsizetype sent = router.lines().size();
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Authentication failed"_s)));
    EXPECT_FALSE(clientNow(camera));
    EXPECT_EQ(router.lines().size(), sent + 2) << "polls leave a refused password alone";
    EXPECT_FALSE(connectNow().first);
    EXPECT_EQ(router.lines().mid(sent), (QList<QByteArray>{grant, adminLogin, grant, adminLogin}));
}

// One failure per sentence the settings window shows that no request is sent
// for; the refused login is above.
TEST_F(PeplinkAdapterTest, ConnectReportsTheSentenceTheSettingsWindowShows) {
    address = u"evil@127.0.0.1"_s;
    credentials.items.insert(RouterCredentials::accountFor(address), password);
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Invalid IP"_s)));
    address = u"127.0.0.1"_s;
    credentials.items.clear();
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"No password stored for 127.0.0.1"_s)));
    settings.writeString(SettingsKey::routerUsername, QString());
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Missing credentials"_s)));
    EXPECT_TRUE(router.lines().isEmpty());
}

TEST_F(PeplinkAdapterTest, UnusableOrNoSystemAnswerGivesTheDefaultModelAndNoHealthWithinThreeSeconds) {
    router.serve(grant, deviceGrant);
    ASSERT_TRUE(connectNow().first);
    router.serve(systemInfo, refused);
    EXPECT_EQ(modelNow(), u"Peplink Router"_s);
    EXPECT_EQ(healthNow(), false);
    router.route(systemInfo, {});
    expectHealthFailsAtTheDeadline();
    EXPECT_EQ(router.lines().count(systemStatus), 0)
        << "only a router that lacks the call is asked the old way";
}

TEST_F(PeplinkAdapterTest, DisconnectEndsWhatIsInFlightWithoutAnswer) {
    // Disconnects once the router has had `requests`; the poll in flight ends with no rows.
    const auto disconnectAfter = [&](qsizetype requests) {
        std::optional<QList<RouterClient>> rows;
        adapter->fetchClients(
            [&](std::optional<QList<RouterClient>> list) { rows = list.value_or(QList<RouterClient>()); });
        EXPECT_TRUE(waitUntil([&] { return router.requests().size() == requests; }));
        adapter->disconnect();
        EXPECT_TRUE(waitUntil([&] { return rows.has_value(); }));
        return rows;
    };
    // The keyring read is still under way: the password must not go out.
    EXPECT_EQ(disconnectAfter(0), QList<RouterClient>());
    router.serve(grant, deviceGrant);
    EXPECT_EQ(disconnectAfter(2), QList<RouterClient>());
    EXPECT_EQ(router.lines(), (QList<QByteArray>{grant, clientList}));

    bool called = false;
    adapter->fetchClient(camera, [&called](auto) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return router.requests().size() == 4; }));
    adapter.reset();
    pump(300);
    EXPECT_FALSE(called) << "a destroyed adapter never calls back";
}

} // namespace
