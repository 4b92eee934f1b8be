#include "ClientBook.h"
#include "GlinetResponder.h"
#include "HostapdCliCommand.h"
#include "PeplinkResponder.h"
#include "ScenarioReader.h"
#include "StateLocation.h"
#include "UbusCommand.h"
#include "UniFiResponder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

SimClient camera() {
    return *ScenarioReader::readClient(QJsonDocument::fromJson(R"({
        "mac": "78:F5:05:00:00:01", "band": "5G", "phy": "ax", "nss": 2, "width": 80, "mcs": 11,
        "rssi": -58, "txRate": 1201.0, "txBytes": 5000000000, "rxBytes": 2000,
        "txBytesPerSecond": 100, "apMac": "AC:8B:A9:00:00:01",
        "timeline": [{"rssi": -50, "txRate": 600}, {"rssi": -70, "txRate": 54}]})")
                                           .object());
}

TEST(ClientBook, TimelineStepsEachSecondAndCountersGrow) {
    ClientBook book({camera()});
    EXPECT_EQ(book.clientsAt(999)[0].rssi, -50);
    EXPECT_EQ(book.clientsAt(1000)[0].rssi, -70);
    EXPECT_EQ(book.clientsAt(2500)[0].rssi, -50);
    EXPECT_EQ(book.clientsAt(2500)[0].txBytes, 5000000200u);
}

TEST(ClientBook, PinFreezesTheTimelineUntilReset) {
    ClientBook book({camera()});
    ASSERT_TRUE(book.pin(QStringLiteral("78:f5:05:00:00:01"), {-80, std::nullopt, 7u, std::nullopt}, 1000));
    const SimClient later = book.clientsAt(4000)[0];
    EXPECT_EQ(later.rssi, -80);
    EXPECT_EQ(later.txRate, 54.0);
    EXPECT_EQ(later.txBytes, 7u);
    book.reset(4000);
    EXPECT_EQ(book.clientsAt(4000)[0].rssi, -50);
}

// Known answers from a recorded router login (MD5-crypt, alg 1).
TEST(GlinetLoginHash, MatchesRecordedRouterLogin) {
    const QString password = QStringLiteral("jdlkjLJlkd=(//&%/&dskdBBDs192837");
    const QString nonce = QStringLiteral("DhBsQ0VDGDiFrbWE0e0fmN5uW7Aql0Zq");
    EXPECT_EQ(
        GlinetResponder::loginHash(password, QStringLiteral("37784Ahz"), 1, QStringLiteral("md5"), nonce),
        QStringLiteral("9a5ccac1bb5dd47d5898ef36d8386333"));
    EXPECT_EQ(
        GlinetResponder::loginHash(password, QStringLiteral("37784Ahz"), 1, QStringLiteral("sha256"), nonce),
        QStringLiteral("1a2dfeedaf01a84d16c5852a0e7981a38923b3d0ea2b5cbd5cf23ba1f1c24e32"));
}

class UniFiAnswers : public testing::Test {
protected:
    QJsonObject onlyRow(const QStringList& quirks) {
        SimClient client = camera();
        client.quirks = quirks;
        scenario.username = QStringLiteral("admin");
        UniFiResponder responder(UniFiResponder::Generation::uniFiOS, scenario, sessions, conditions);
        HttpRequest request;
        request.method = "GET";
        request.target = "/proxy/network/api/s/default/stat/sta";
        request.headers.append({"Cookie", "TOKEN=" + sessions.open().toLatin1()});
        const HttpResponse response = responder.respond(request, {client});
        return QJsonDocument::fromJson(response.body)
            .object()
            .value(QStringLiteral("data"))
            .toArray()[0]
            .toObject();
    }

    Scenario scenario;
    SessionBook sessions;
    RouterConditions conditions;
};

TEST_F(UniFiAnswers, StationRowCarriesSignalAndRssiAboveTheFloor) {
    const QJsonObject row = onlyRow({});
    EXPECT_EQ(row.value(QStringLiteral("signal")).toInt(), -58);
    EXPECT_EQ(row.value(QStringLiteral("rssi")).toInt(), 38);
    EXPECT_EQ(row.value(QStringLiteral("tx_rate")).toInt(), 1201000);
    EXPECT_EQ(row.value(QStringLiteral("radio")).toString(), QStringLiteral("na"));
    EXPECT_EQ(row.value(QStringLiteral("mac")).toString(), QStringLiteral("78:f5:05:00:00:01"));
}

TEST_F(UniFiAnswers, QuirksShowFirmwareHabits) {
    const QJsonObject row = onlyRow({QStringLiteral("numericStrings"), QStringLiteral("rssiWithoutSignal"),
                                     QStringLiteral("wiredAsString")});
    EXPECT_FALSE(row.contains(QStringLiteral("signal")));
    EXPECT_EQ(row.value(QStringLiteral("rssi")), QStringLiteral("38"));
    EXPECT_EQ(row.value(QStringLiteral("tx_bytes")), QStringLiteral("5000000000"));
    EXPECT_EQ(row.value(QStringLiteral("is_wired")), QStringLiteral("false"));
}

TEST_F(UniFiAnswers, WithoutCookieTheApiAnswers401) {
    UniFiResponder responder(UniFiResponder::Generation::classic, scenario, sessions, conditions);
    HttpRequest request;
    request.method = "GET";
    request.target = "/api/s/default/stat/sta";
    EXPECT_EQ(responder.respond(request, {}).status, 401);
}

TEST_F(UniFiAnswers, MfaDemandAnswers499WithItsCode) {
    conditions.requireMfa = true;
    UniFiResponder responder(UniFiResponder::Generation::uniFiOS, scenario, sessions, conditions);
    HttpRequest request;
    request.method = "POST";
    request.target = "/api/auth/login";
    const HttpResponse response = responder.respond(request, {});
    EXPECT_EQ(response.status, 499);
    EXPECT_EQ(QJsonDocument::fromJson(response.body).object().value(QStringLiteral("code")),
              QStringLiteral("MFA_AUTH_REQUIRED"));
}

TEST_F(UniFiAnswers, LoginSetsTokenCookieAndCsrfHeaders) {
    scenario.username = QStringLiteral("admin");
    scenario.password = QStringLiteral("pw");
    UniFiResponder responder(UniFiResponder::Generation::uniFiOS, scenario, sessions, conditions);
    HttpRequest request;
    request.method = "POST";
    request.target = "/api/auth/login";
    request.body = R"({"username":"admin","password":"pw","remember":true})";
    const HttpResponse response = responder.respond(request, {});
    EXPECT_EQ(response.status, 200);
    QStringList names;
    for (const auto& [name, value] : response.headers)
        names.append(QString::fromLatin1(name + (name == "Set-Cookie" ? ":" + value.left(6) : QByteArray())));
    EXPECT_TRUE(names.contains(QStringLiteral("Set-Cookie:TOKEN=")));
    EXPECT_TRUE(names.contains(QStringLiteral("X-Updated-Csrf-Token")));
}

TEST(PeplinkAnswers, GrantNestsTheTokenAndClientsAreWireless) {
    Scenario scenario;
    scenario.username = QStringLiteral("admin");
    scenario.password = QStringLiteral("pw");
    SessionBook sessions;
    RouterConditions conditions;
    PeplinkResponder responder(scenario, sessions, conditions);
    HttpRequest grant;
    grant.method = "POST";
    grant.target = "/api/auth.token.grant";
    grant.body = R"({"username":"admin","password":"pw"})";
    const QString token = QJsonDocument::fromJson(responder.respond(grant, {}).body)
                              .object()
                              .value(QStringLiteral("response"))
                              .toObject()
                              .value(QStringLiteral("accessToken"))
                              .toString();
    ASSERT_FALSE(token.isEmpty());
    HttpRequest status;
    status.method = "GET";
    status.target = "/api/status.client";
    EXPECT_EQ(responder.respond(status, {camera()}).status, 401);
    status.headers.append({"Authorization", "Bearer " + token.toLatin1()});
    const HttpResponse list = responder.respond(status, {camera()});
    const QJsonObject entry = QJsonDocument::fromJson(list.body)
                                  .object()
                                  .value(QStringLiteral("response"))
                                  .toObject()
                                  .value(QStringLiteral("list"))
                                  .toArray()[0]
                                  .toObject();
    EXPECT_EQ(entry.value(QStringLiteral("connectionType")), QStringLiteral("wireless"));
    EXPECT_EQ(entry.value(QStringLiteral("signalStrength")).toInt(), -58);
}

class ShellCommands : public testing::Test {
protected:
    void SetUp() override {
        SimClient legacy = camera();
        legacy.mac = QStringLiteral("3C:BE:E1:00:00:02");
        legacy.phy = QStringLiteral("n");
        legacy.band = QStringLiteral("2.4G");
        legacy.wifiInterface = QStringLiteral("wlan0");
        legacy.apInterface = QStringLiteral("wifi0ap0");
        state.clients = {camera(), legacy};
        state.wifiDevices = {QStringLiteral("wlan0"), QStringLiteral("wlan1")};
    }
    QJsonArray assoclist(const QString& device) {
        const CommandOutput output =
            UbusCommand::run({QStringLiteral("call"), QStringLiteral("iwinfo"), QStringLiteral("assoclist"),
                              QStringLiteral(R"({"device":"%1"})").arg(device)},
                             state);
        return QJsonDocument::fromJson(output.standardOutput)
            .object()
            .value(QStringLiteral("results"))
            .toArray();
    }
    QByteArray sta(const QString& interface, const QString& mac) {
        return HostapdCliCommand::run({QStringLiteral("-p"), QStringLiteral("/var/run/hostapd"),
                                       QStringLiteral("-i"), interface, QStringLiteral("sta"), mac},
                                      state)
            .standardOutput;
    }
    Scenario state;
};

TEST_F(ShellCommands, ModernStationCarriesHeWidthAndStreamsInUpperCase) {
    const QJsonArray stations = assoclist(QStringLiteral("wlan1"));
    ASSERT_EQ(stations.size(), 1);
    const QJsonObject station = stations[0].toObject();
    const QJsonObject tx = station.value(QStringLiteral("tx")).toObject();
    EXPECT_EQ(station.value(QStringLiteral("mac")).toString(), QStringLiteral("78:F5:05:00:00:01"));
    EXPECT_EQ(tx.value(QStringLiteral("he")), true);
    EXPECT_EQ(tx.value(QStringLiteral("eht")), false);
    EXPECT_EQ(tx.value(QStringLiteral("mhz")).toInt(), 80);
    EXPECT_EQ(tx.value(QStringLiteral("nss")).toInt(), 2);
    EXPECT_TRUE(tx.contains(QStringLiteral("he_gi")));
    EXPECT_EQ(tx.value(QStringLiteral("rate")).toInt(), 1201000);
}

TEST_F(ShellCommands, OlderEraStationHas40MhzFlagAndWrappedCounters) {
    const QJsonObject tx =
        assoclist(QStringLiteral("wlan0"))[0].toObject().value(QStringLiteral("tx")).toObject();
    EXPECT_TRUE(tx.contains(QStringLiteral("40mhz")));
    EXPECT_FALSE(tx.contains(QStringLiteral("he")));
    EXPECT_FALSE(tx.contains(QStringLiteral("mhz")));
    EXPECT_EQ(static_cast<qint64>(tx.value(QStringLiteral("bytes")).toDouble()), 5000000000LL % (1LL << 32));
}

TEST_F(ShellCommands, UnknownDeviceFailsLikeUbus) {
    const CommandOutput output =
        UbusCommand::run({QStringLiteral("call"), QStringLiteral("iwinfo"), QStringLiteral("assoclist"),
                          QStringLiteral(R"({"device":"wlan9"})")},
                         state);
    EXPECT_EQ(output.exitCode, 4);
    EXPECT_TRUE(output.standardOutput.isEmpty());
}

TEST_F(ShellCommands, HostapdAnswersOnlyOnTheStationsInterface) {
    const QByteArray entry = sta(QStringLiteral("wifi1ap2"), QStringLiteral("78:f5:05:00:00:01"));
    EXPECT_TRUE(entry.startsWith("78:f5:05:00:00:01\n"));
    EXPECT_TRUE(entry.contains("\nsignal=-58\n"));
    EXPECT_TRUE(entry.contains("\ntx_bytes=5000000000\n"));
    EXPECT_TRUE(entry.contains("\ntx_rate_info=12010 he-mcs 11 he-nss 2\n"));
    EXPECT_EQ(sta(QStringLiteral("wifi0ap0"), QStringLiteral("78:f5:05:00:00:01")), "FAIL\n");
    EXPECT_EQ(sta(QStringLiteral("wifi1ap2"), QStringLiteral("00:11:22:33:44:55")), "FAIL\n");
}

TEST(StateLocation, FollowsTheBareCommandNameAlongThePath) {
    QTemporaryDir bin;
    QFile::link(QStringLiteral("/bin/true"), bin.filePath(QStringLiteral("ubus")));
    QFile pointer(bin.filePath(QString::fromLatin1(StateLocation::pointerFileName)));
    ASSERT_TRUE(pointer.open(QIODevice::WriteOnly));
    pointer.write("/run/lab-state\n");
    pointer.close();
    EXPECT_EQ(
        StateLocation::find(QStringLiteral("ubus"), QStringLiteral("/nonexistent:") + bin.path(), QString()),
        QStringLiteral("/run/lab-state"));
    EXPECT_EQ(StateLocation::find(bin.filePath(QStringLiteral("ubus")), QString(), QString()),
              QStringLiteral("/run/lab-state"));
    EXPECT_EQ(StateLocation::find(QStringLiteral("hostapd_cli"), bin.path(), QStringLiteral("/bin/true")),
              QString());
}

TEST(ScenarioReader, RefusesClientWithoutMac) {
    const ScenarioReader::Result result = ScenarioReader::read(R"({"clients":[{"ip":"10.0.0.1"}]})");
    EXPECT_FALSE(result.scenario);
    EXPECT_FALSE(result.error.isEmpty());
}

} // namespace
