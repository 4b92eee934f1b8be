#include "router/peplink/PeplinkAdapter.h"

#include "LoopbackHttpServer.h"
#include "RouterAdapterTest.h"
#include "app/SettingsKeys.h"
#include "router/keyring/RouterCredentials.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

const QByteArray grant = "443 POST /api/auth.token.grant";
const QByteArray clientList = "443 GET /api/status.client";
const QByteArray systemStatus = "443 GET /api/status.system";

QByteArray ok(const QByteArray& body) {
    return LoopbackHttpServer::answer(200, body);
}
const QByteArray deviceGrant = ok(R"({"stat":"ok","response":{"accessToken":"t1","expiresIn":"172800"}})");
const QByteArray twoClients = ok(R"({"stat":"ok","response":{"list":[
    {"mac":"AA:BB:CC:00:00:01","connectionType":"ethernet","name":"nas"},
    {"mac":"78:F5:05:AA:BB:CC","connectionType":"wireless","name":"R5","signalStrength":-61,"channel":36}]}})");

// The router on 127.0.0.1:443; a request line it has no answer for is never
// answered, an empty answer drops the connection.
class PeplinkAdapterTest : public RouterAdapterTest<PeplinkAdapter> {
protected:
    void SetUp() override {
        ASSERT_TRUE(router.isListening()) << "port 443 needs run-on-private-loopback.sh";
        settings.writeString(SettingsKey::routerUsername, u"admin"_s);
        credentials.items.insert(RouterCredentials::accountFor(address), password);
    }

    QString password = uR"(pa'ss"wo\rd)"_s;
    LoopbackHttpServer router{routerTls(), 443};
};

TEST_F(PeplinkAdapterTest, ConnectGrantsATokenThatTheHealthProbeAndModelQueryCarry) {
    router.serve(grant, deviceGrant);
    router.serve(systemStatus, ok(R"({"stat":"ok","response":{"model":"B20X"}})"));

    EXPECT_EQ(connectNow(), std::pair(true, std::optional<QString>()));
    EXPECT_EQ(healthNow(), true);
    adapter->resetSession();
    EXPECT_EQ(modelNow(), u"B20X"_s);

    ASSERT_EQ(router.lines(), (QList<QByteArray>{grant, systemStatus, systemStatus}));
    EXPECT_EQ(router.requests()[0].header("Content-Type"), "application/json");
    EXPECT_EQ(QJsonDocument::fromJson(router.requests()[0].body).object(),
              (QJsonObject{{u"username"_s, u"admin"_s}, {u"password"_s, password}}));
    EXPECT_EQ(router.requests()[1].header("Authorization"), "Bearer t1");
    EXPECT_EQ(router.requests()[2].header("Authorization"), "Bearer t1") << "a reset keeps the token";
    EXPECT_TRUE(systemLog.lines().contains(u"VT-2002"_s));

    // A token is the granting router's alone: after a change of address the probe
    // sends it nowhere, and a disconnect forgets it.
    address = u"localhost"_s;
    EXPECT_EQ(healthNow(), false);
    address = u"127.0.0.1"_s;
    adapter->disconnect();
    EXPECT_EQ(healthNow(), false);
    EXPECT_EQ(router.lines().size(), 3);
}

// One failure per sentence the settings window shows; the grant's own table
// has the ways a grant can fail.
TEST_F(PeplinkAdapterTest, ConnectReportsTheSentenceTheSettingsWindowShows) {
    router.serve(grant, LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})"));
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Authentication failed"_s)));
    address = u"evil@127.0.0.1"_s;
    credentials.items.insert(RouterCredentials::accountFor(address), password);
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Invalid IP"_s)));
    address = u"127.0.0.1"_s;
    credentials.items.clear();
    EXPECT_EQ(connectNow(), std::pair(false, std::optional(u"Missing credentials"_s)));
    EXPECT_EQ(router.lines(), QList<QByteArray>{grant});
    EXPECT_FALSE(systemLog.lines().contains(u"VT-2002"_s));
}

TEST_F(PeplinkAdapterTest, EveryPollGrantsAFreshTokenAndAFailedGrantOrListGivesNoRows) {
    int grants = 0;
    router.route(grant, [&grants](QTcpSocket& socket) {
        socket.write(ok(R"({"access_token":"t)" + QByteArray::number(++grants) + R"("})"));
    });
    router.serve(clientList, twoClients);
    for (int poll = 1; poll <= 2; ++poll) {
        EXPECT_EQ(clientNow(u"78:F5:05:AA:BB:CC"_s).value_or(RouterClient()).hostname, u"R5"_s);
        EXPECT_EQ(router.requests()[2 * poll - 1].header("Authorization"),
                  "Bearer t" + QByteArray::number(poll));
    }
    EXPECT_EQ(router.lines(), (QList<QByteArray>{grant, clientList, grant, clientList}));
    EXPECT_EQ(logged(u"VT-2002"_s), 1) << "one login a session, not one a poll";

    router.serve(clientList, ok("<html/>"));
    EXPECT_EQ(clientsNow(), QList<RouterClient>());
    router.serve(grant, LoopbackHttpServer::answer(401, "{}"));
    EXPECT_EQ(clientsNow(), QList<RouterClient>());
    EXPECT_EQ(router.lines().last(), grant);
}

TEST_F(PeplinkAdapterTest, UnusableOrNoStatusGivesTheDefaultModelAndNoHealthWithinThreeSeconds) {
    router.serve(grant, deviceGrant);
    ASSERT_TRUE(connectNow().first);
    router.serve(systemStatus, LoopbackHttpServer::answer(401, R"({"stat":"fail","code":401})"));
    EXPECT_EQ(modelNow(), u"Peplink Router"_s);
    EXPECT_EQ(healthNow(), false);
    router.route(systemStatus, {});
    expectHealthFailsAtTheDeadline();
}

TEST_F(PeplinkAdapterTest, DisconnectEndsWhatIsInFlightWithoutAnswer) {
    // Disconnects once the router has had `requests`; the poll in flight ends with no rows.
    const auto disconnectAfter = [&](qsizetype requests) {
        std::optional<QList<RouterClient>> rows;
        adapter->fetchClients([&](QList<RouterClient> list) { rows = list; });
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
    adapter->fetchClient(u"78:f5:05:aa:bb:cc"_s, [&called](auto) { called = true; });
    ASSERT_TRUE(waitUntil([this] { return router.requests().size() == 4; }));
    adapter.reset();
    pump(300);
    EXPECT_FALSE(called) << "a destroyed adapter never calls back";
}

} // namespace
