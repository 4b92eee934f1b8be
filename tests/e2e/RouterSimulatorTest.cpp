// The simulator's own behaviour that neither the router lab nor the adapter
// suites drive: its HTTP handling, the faults it injects on command, and its
// clients' timeline. Setting values, silence and the request log are the lab's.
#include "RouterSimulator.h"

#include "ClientBook.h"
#include "ClientStateFile.h"
#include "GlinetResponder.h"
#include "RawHttpClient.h"
#include "ScenarioReader.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QJsonObject bodyObject(const std::optional<RawHttpClient::Response>& response) {
    return response ? QJsonDocument::fromJson(response->body).object() : QJsonObject();
}

TEST(SimulatorClients, TimelineStepsEachSecondCountersGrowAndAPinHoldsUntilReset) {
    const auto client = ScenarioReader::readClient(QJsonDocument::fromJson(R"({
        "mac": "78:F5:05:00:00:01", "band": "5G", "rssi": -58, "txBytes": 5000000000, "txBytesPerSecond": 100,
        "timeline": [{"rssi": -50, "txRate": 600}, {"rssi": -70, "txRate": 54}]})")
                                                       .object());
    ASSERT_TRUE(client);
    ClientBook book({*client});
    EXPECT_EQ(book.clientsAt(999)[0].rssi, -50);
    EXPECT_EQ(book.clientsAt(1000)[0].rssi, -70);
    EXPECT_EQ(book.clientsAt(2500)[0].rssi, -50);
    EXPECT_EQ(book.clientsAt(2500)[0].txBytes, 5000000200u);

    ASSERT_TRUE(book.pin(u"78:f5:05:00:00:01"_s, {-80, std::nullopt, 7u, std::nullopt}, 1000));
    EXPECT_EQ(book.clientsAt(4000)[0].rssi, -80);
    book.reset(4000);
    EXPECT_EQ(book.clientsAt(4000)[0].rssi, -50);
}

// A GL.iNet simulator on free loopback ports, with a client on each port.
class RouterSimulatorTest : public testing::Test {
protected:
    void SetUp() override {
        RouterSimulator::Options options;
        options.family = u"glinet"_s;
        options.address = QHostAddress::LocalHost;
        options.httpPort = 0;
        options.controlPort = 0;
        options.stateFile = ClientStateFile::path(stateDirectory.path(), options.family);
        const auto scenario =
            ScenarioReader::read(R"({"password": "pa'ss%1", "glinet": {"alg": 1, "hashMethod": "md5"},
            "clients": [{"mac": "78:F5:05:00:00:01", "ip": "10.0.0.5", "band": "5G", "rssi": -50}]})");
        simulator = std::make_unique<RouterSimulator>(*scenario.scenario, options);
        QString error;
        ASSERT_TRUE(simulator->start(&error)) << error.toStdString();
        ASSERT_TRUE(
            router.connectTo(QHostAddress::LocalHost, simulator->port(RouterSimulator::Service::glinet)));
        ASSERT_TRUE(
            control.connectTo(QHostAddress::LocalHost, simulator->port(RouterSimulator::Service::control)));
    }

    bool command(const QByteArray& json) {
        control.send(RawHttpClient::request("POST", "/control", json));
        return bodyObject(control.next())[u"ok"_s].toBool();
    }
    std::optional<RawHttpClient::Response> rpc(const QByteArray& json) {
        router.send(RawHttpClient::request("POST", "/rpc", json));
        return router.next();
    }
    // Challenge and login as a client does; the session id, or empty.
    QString logIn() {
        const QJsonObject challenge =
            bodyObject(rpc(R"({"method":"challenge","params":{"username":"root"},"id":0})"));
        const QString hash =
            GlinetResponder::loginHash(u"pa'ss%1"_s, challenge[u"result"_s][u"salt"_s].toString(), 1,
                                       u"md5"_s, challenge[u"result"_s][u"nonce"_s].toString());
        return bodyObject(rpc(R"({"method":"login","params":{"username":"root","hash":")" + hash.toLatin1() +
                              R"("},"id":1})"))[u"result"_s][u"sid"_s]
            .toString();
    }
    std::optional<RawHttpClient::Response> clientList(const QString& sid) {
        return rpc(R"({"method":"call","params":[")" + sid.toLatin1() +
                   R"(","clients","get_list",{}],"id":2})");
    }

    QTemporaryDir stateDirectory;
    std::unique_ptr<RouterSimulator> simulator;
    RawHttpClient router;
    RawHttpClient control;
};

TEST_F(RouterSimulatorTest, KeepsTheConnectionUntilAskedOrUntilARequestMakesNoSense) {
    for (int i = 0; i < 3; ++i) {
        const auto response = rpc(R"({"method":"challenge","params":{"username":"root"},"id":1})");
        ASSERT_TRUE(response);
        EXPECT_TRUE(response->head.contains("Content-Type: application/octet-stream"));
        EXPECT_TRUE(response->head.contains("Connection: keep-alive"));
    }
    router.send(RawHttpClient::request("POST", "/rpc", "{}", "Connection: close\r\n"));
    ASSERT_TRUE(router.next());
    EXPECT_TRUE(router.isClosedByServer());

    control.send("NOT A REQUEST\r\n\r\n");
    EXPECT_EQ(control.next().value_or(RawHttpClient::Response()).status, 400);
    EXPECT_TRUE(control.isClosedByServer());
}

TEST_F(RouterSimulatorTest, ExpiresSessionsEitherWayAndRejectsPasswordsOnCommand) {
    EXPECT_TRUE(bodyObject(rpc(R"({"method":"login","params":{"username":"root","hash":"00"},"id":1})"))
                    .contains(u"error"_s));
    QString sid = logIn();
    ASSERT_FALSE(sid.isEmpty());
    EXPECT_EQ(bodyObject(clientList(sid))[u"result"_s][u"clients"_s].toArray().size(), 1);

    ASSERT_TRUE(command(R"({"command":"expireSessions"})"));
    const auto denied = clientList(sid);
    EXPECT_EQ(denied.value_or(RawHttpClient::Response()).status, 200);
    EXPECT_EQ(bodyObject(denied)[u"error"_s][u"code"_s].toInt(), -32000);
    sid = logIn();
    ASSERT_TRUE(command(R"({"command":"expireSessions","style":"http401"})"));
    EXPECT_EQ(clientList(sid).value_or(RawHttpClient::Response()).status, 401);

    ASSERT_TRUE(command(R"({"command":"rejectPassword","on":true})"));
    EXPECT_TRUE(logIn().isEmpty());
    ASSERT_TRUE(command(R"({"command":"reset"})"));
    EXPECT_FALSE(logIn().isEmpty());
}

TEST_F(RouterSimulatorTest, MalformsItsAnswersOnCommandAndRefusesUnusableCommands) {
    ASSERT_TRUE(command(R"({"command":"malformed","on":true})"));
    EXPECT_TRUE(rpc(R"({"method":"challenge","id":1})")
                    .value_or(RawHttpClient::Response())
                    .body.startsWith("<html>"));
    ASSERT_TRUE(command(R"({"command":"malformed","on":true,"style":"cut"})"));
    const QByteArray cut = rpc(R"({"method":"challenge","id":1})").value_or(RawHttpClient::Response()).body;
    EXPECT_TRUE(cut.startsWith("{\"id\""));
    EXPECT_TRUE(QJsonDocument::fromJson(cut).isNull());

    EXPECT_FALSE(command(R"({"command":"delayMs","value":-1})"));
    EXPECT_FALSE(command(R"({"command":"set","mac":"00:00:00:00:00:00","rssi":-1})"));
    EXPECT_FALSE(command(R"({"command":"nonsense"})"));
}

} // namespace
