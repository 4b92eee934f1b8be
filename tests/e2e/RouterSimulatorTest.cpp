#include "RouterSimulator.h"

#include "ClientStateFile.h"
#include "GlinetResponder.h"
#include "RawHttpClient.h"
#include "ScenarioReader.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray scenarioText = R"({
  "password": "pa'ss%1",
  "glinet": {"alg": 1, "hashMethod": "md5"},
  "clients": [{"mac": "78:F5:05:00:00:01", "ip": "10.0.0.5", "band": "5G", "rssi": -50,
               "timeline": [{"rssi": -50}, {"rssi": -70}]}]
})";

QJsonObject bodyObject(const RawHttpClient::Response& response) {
    return QJsonDocument::fromJson(response.body).object();
}

// A GL.iNet simulator on free loopback ports, with a client on each port.
class RouterSimulatorTest : public testing::Test {
protected:
    void SetUp() override {
        RouterSimulator::Options options;
        options.family = QStringLiteral("glinet");
        options.address = QHostAddress::LocalHost;
        options.httpPort = 0;
        options.controlPort = 0;
        options.stateFile = ClientStateFile::path(stateDirectory.path(), options.family);
        simulator = std::make_unique<RouterSimulator>(*ScenarioReader::read(scenarioText).scenario, options);
        QString error;
        ASSERT_TRUE(simulator->start(&error)) << error.toStdString();
        ASSERT_TRUE(router.connectTo(simulator->port(RouterSimulator::Service::glinet)));
        ASSERT_TRUE(control.connectTo(simulator->port(RouterSimulator::Service::control)));
    }

    QJsonObject command(const QByteArray& json) {
        control.send(RawHttpClient::request("POST", "/control", json));
        const auto response = control.next();
        return response ? bodyObject(*response) : QJsonObject();
    }

    std::optional<RawHttpClient::Response> rpc(const QByteArray& json) {
        router.send(RawHttpClient::request("POST", "/rpc", json));
        return router.next();
    }

    // Challenge and login as a client does; the session id, or empty.
    QString logIn() {
        const auto challenge =
            rpc(R"({"jsonrpc":"2.0","method":"challenge","params":{"username":"root"},"id":0})");
        const QJsonObject result = bodyObject(*challenge).value(QStringLiteral("result")).toObject();
        const QString hash = GlinetResponder::loginHash(
            QStringLiteral("pa'ss%1"), result.value(QStringLiteral("salt")).toString(), 1,
            QStringLiteral("md5"), result.value(QStringLiteral("nonce")).toString());
        const auto login = rpc(R"({"jsonrpc":"2.0","method":"login","params":{"username":"root","hash":")" +
                               hash.toLatin1() + R"("},"id":1})");
        return bodyObject(*login)
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("sid"))
            .toString();
    }

    std::optional<RawHttpClient::Response> clientList(const QString& sid) {
        return rpc(R"({"jsonrpc":"2.0","method":"call","params":[")" + sid.toLatin1() +
                   R"(","clients","get_list",{}],"id":2})");
    }

    QTemporaryDir stateDirectory;
    std::unique_ptr<RouterSimulator> simulator;
    RawHttpClient router;
    RawHttpClient control;
};

TEST_F(RouterSimulatorTest, AnswersSeveralRequestsOnOneConnection) {
    for (int i = 0; i < 3; ++i) {
        const auto response = rpc(R"({"method":"challenge","params":{"username":"root"},"id":1})");
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 200);
        EXPECT_TRUE(response->head.contains("Content-Type: application/octet-stream"));
        EXPECT_TRUE(response->head.contains("Connection: keep-alive"));
    }
}

TEST_F(RouterSimulatorTest, ClosesAfterRequestAskingForIt) {
    router.send(RawHttpClient::request("POST", "/rpc", "{}", "Connection: close\r\n"));
    ASSERT_TRUE(router.next());
    EXPECT_TRUE(router.isClosedByServer());
}

TEST_F(RouterSimulatorTest, RefusesUnreadableRequestAndCloses) {
    router.send("NOT A REQUEST\r\n\r\n");
    const auto response = router.next();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 400);
    EXPECT_TRUE(router.isClosedByServer());
}

TEST_F(RouterSimulatorTest, LoginAcceptsTheHashOnceAndTheSessionListsClients) {
    const QString sid = logIn();
    ASSERT_FALSE(sid.isEmpty());
    const auto list = clientList(sid);
    const QJsonArray clients = bodyObject(*list)
                                   .value(QStringLiteral("result"))
                                   .toObject()
                                   .value(QStringLiteral("clients"))
                                   .toArray();
    ASSERT_EQ(clients.size(), 1);
    EXPECT_EQ(clients[0].toObject().value(QStringLiteral("mac")).toString(),
              QStringLiteral("78:f5:05:00:00:01"));
}

TEST_F(RouterSimulatorTest, WrongHashIsDenied) {
    rpc(R"({"method":"challenge","params":{"username":"root"},"id":0})");
    const auto login = rpc(R"({"method":"login","params":{"username":"root","hash":"00"},"id":1})");
    EXPECT_EQ(
        bodyObject(*login).value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(),
        -32000);
}

TEST_F(RouterSimulatorTest, ExpiredSessionAnswersAccessDeniedWithHttp200ByDefault) {
    const QString sid = logIn();
    EXPECT_EQ(command(R"({"command":"expireSessions"})").value(QStringLiteral("ok")), true);
    const auto list = clientList(sid);
    EXPECT_EQ(list->status, 200);
    EXPECT_EQ(
        bodyObject(*list).value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(),
        -32000);
    EXPECT_FALSE(logIn().isEmpty());
}

TEST_F(RouterSimulatorTest, ExpiredSessionAnswers401InThatStyle) {
    const QString sid = logIn();
    command(R"({"command":"expireSessions","style":"http401"})");
    EXPECT_EQ(clientList(sid)->status, 401);
}

TEST_F(RouterSimulatorTest, RejectPasswordDeniesACorrectLogin) {
    command(R"({"command":"rejectPassword","on":true})");
    EXPECT_TRUE(logIn().isEmpty());
    command(R"({"command":"reset"})");
    EXPECT_FALSE(logIn().isEmpty());
}

TEST_F(RouterSimulatorTest, MalformedAnswersAreHtmlOrCutJson) {
    command(R"({"command":"malformed","on":true})");
    const auto html = rpc(R"({"method":"challenge","id":1})");
    EXPECT_TRUE(html->body.startsWith("<html>"));
    command(R"({"command":"malformed","on":true,"style":"cut"})");
    const auto cut = rpc(R"({"method":"challenge","id":1})");
    EXPECT_TRUE(cut->body.startsWith("{\"id\""));
    EXPECT_TRUE(QJsonDocument::fromJson(cut->body).isNull());
}

TEST_F(RouterSimulatorTest, DelayHoldsEveryAnswerButNotTheControlPort) {
    command(R"({"command":"delayMs","value":300})");
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(rpc(R"({"method":"challenge","id":1})"));
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_EQ(command(R"({"command":"delayMs","value":-1})").value(QStringLiteral("ok")), false);
}

TEST_F(RouterSimulatorTest, SilentRouterKeepsTheConnectionAndNeverAnswers) {
    command(R"({"command":"silent","on":true})");
    router.send(RawHttpClient::request("POST", "/rpc", R"({"method":"challenge","id":1})"));
    EXPECT_FALSE(router.next(400));
    // The request was still seen, and the control port still answers.
    control.send(RawHttpClient::request("GET", "/control/requests"));
    const QJsonArray requests = QJsonDocument::fromJson(control.next()->body).array();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].toObject().value(QStringLiteral("path")).toString(), QStringLiteral("/rpc"));
    EXPECT_EQ(requests[0].toObject().value(QStringLiteral("body")).toString(),
              QStringLiteral(R"({"method":"challenge","id":1})"));
}

TEST_F(RouterSimulatorTest, RequestLogKeepsHeadersAndEmptiesOnReset) {
    router.send(RawHttpClient::request("POST", "/rpc", "{}", "X-Probe: yes\r\n"));
    router.next();
    control.send(RawHttpClient::request("GET", "/control/requests"));
    const QJsonArray requests = QJsonDocument::fromJson(control.next()->body).array();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(
        requests[0].toObject().value(QStringLiteral("headers")).toObject().value(QStringLiteral("X-Probe")),
        QStringLiteral("yes"));
    command(R"({"command":"reset"})");
    control.send(RawHttpClient::request("GET", "/control/requests"));
    EXPECT_TRUE(QJsonDocument::fromJson(control.next()->body).array().isEmpty());
}

TEST_F(RouterSimulatorTest, SetPinsTheClientInTheStateFile) {
    EXPECT_EQ(command(R"({"command":"set","mac":"78:f5:05:00:00:01","rssi":-81,"txBytes":5000000000})")
                  .value(QStringLiteral("ok")),
              true);
    const auto state =
        ClientStateFile::read(ClientStateFile::path(stateDirectory.path(), QStringLiteral("glinet")));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->clients[0].rssi, -81);
    EXPECT_EQ(state->clients[0].txBytes, 5000000000u);
    EXPECT_EQ(command(R"({"command":"set","mac":"00:00:00:00:00:00","rssi":-1})").value(QStringLiteral("ok")),
              false);
    EXPECT_EQ(command(R"({"command":"nonsense"})").value(QStringLiteral("ok")), false);
}

} // namespace
