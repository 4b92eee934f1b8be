#include "router/peplink/PeplinkAnswers.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace PeplinkAnswers;

namespace {

QByteArray clientAnswer(const QByteArray& listEntries) {
    return R"({"stat": "ok", "response": {"list": [)" + listEntries + "]}}";
}

TEST(PeplinkAnswers, FindsTheGrantsTokenWhereverTheFirmwarePutsIt) {
    // The adapter's test takes a token from either place; an empty one falls through.
    EXPECT_EQ(tokenFromGrant(R"({"access_token": "", "response": {"accessToken": "b"}})"), u"b"_s);
    for (const char* body : {R"({"access_token": 12345})", "<html><body>502 Bad Gateway</body></html>"})
        EXPECT_EQ(tokenFromGrant(body), std::nullopt) << body;
}

TEST(PeplinkAnswers, TheAdminLoginsCookieLetsInAndA401RefusesWhereverItIsSaid) {
    const QList<QPair<QByteArray, QByteArray>> cookies{
        {"Set-Cookie", "lang=en; Path=/\nbauth=c1; Path=/; Secure"}};
    EXPECT_EQ(adminSessionCookie(cookies, R"({"stat": "ok"})"), "bauth=c1");
    EXPECT_EQ(adminSessionCookie(cookies, R"({"stat": "fail", "code": 401})"), std::nullopt);
    EXPECT_EQ(adminSessionCookie({{"set-cookie", "bauth=; Path=/"}}, R"({"stat": "ok"})"), std::nullopt);

    EXPECT_TRUE(refusesCredentials(401, "<html>401</html>"));
    EXPECT_TRUE(refusesCredentials(200, R"({"stat": "fail", "code": 401})"));
    EXPECT_FALSE(refusesCredentials(200, R"({"stat": "fail", "code": 404})"));
    EXPECT_FALSE(refusesCredentials(std::nullopt, {}));
}

TEST(PeplinkAnswers, MapsAWirelessStationAndDefaultsFieldsOfTheWrongType) {
    EXPECT_EQ(
        clientRows(clientAnswer(
            R"({"mac": "00:1E:8F:AA:BB:CC", "ip": "192.168.50.23", "name": "R5", "hostname": "eos",
            "connectionType": "wireless", "signalStrength": -61.7, "speed": 866.7, "channel": 36,
            "tx_bytes": 18446744073709551615, "rx_bytes": "12345"})")),
        QList<RouterClient>{RouterClient(u"00:1E:8F:AA:BB:CC"_s, u"192.168.50.23"_s, u"R5"_s, u"5G"_s, -61,
                                         866.7, true, 18446744073709551615ULL, 12345, std::nullopt)});

    EXPECT_EQ(clientRows(clientAnswer(
                  R"({"mac": "aa:00:00:00:00:01", "ip": 7, "name": ["x"], "signalStrength": "-60",
                                         "speed": -300, "channel": "36", "tx_bytes": -5, "rx_bytes": {"v": 1}})")),
              (QList<RouterClient>{
                  {u"aa:00:00:00:00:01"_s, {}, {}, u"wlan"_s, -99, 0.0, true, 0, 0, std::nullopt}}));
    EXPECT_EQ(clientRows(clientAnswer(R"({"mac": "a", "name": "R5\u009b2J"})")).value(0).hostname,
              u"R5\\x9B2J"_s);
}

TEST(PeplinkAnswers, KeepsOnlyWiFiConnectionsAndEntriesWithAMAC) {
    const QList<RouterClient> rows = clientRows(clientAnswer(R"(
        {"mac": "AA:00:00:00:00:01", "connectionType": "wifi"},
        {"mac": "AA:00:00:00:00:02", "connectionType": "ethernet"},
        {"mac": "AA:00:00:00:00:03"}, {"mac": 42}, {"mac": ""})"));
    QStringList macs;
    for (const RouterClient& row : rows)
        macs.append(row.mac);
    EXPECT_EQ(macs, (QStringList{u"AA:00:00:00:00:01"_s, u"AA:00:00:00:00:03"_s}));

    for (const char* body : {"<html><title>401 Unauthorized</title></html>",
                             R"({"response": {"list": {"mac": "AA:00:00:00:00:01"}}})"})
        EXPECT_TRUE(clientRows(body).isEmpty()) << body;
}

TEST(PeplinkAnswers, BandFollowsTheChannelAndTheTargetMatchesInAnyCase) {
    QStringList bands;
    for (const QByteArray channel : {"0", "1", "14", "15", "181", "182"})
        bands.append(clientRows(clientAnswer(R"({"mac": "a", "channel": )" + channel + "}")).value(0).iface);
    EXPECT_EQ(bands, (QStringList{u"wlan"_s, u"2.4G"_s, u"2.4G"_s, u"5G"_s, u"5G"_s, u"6G"_s}));

    const QList<RouterClient> rows = clientRows(
        clientAnswer(R"({"mac": "aa:bb:cc:00:00:01", "name": "first"}, {"mac": "AA:BB:CC:00:00:01"})"));
    EXPECT_EQ(targetRow(rows, u"AA:BB:CC:00:00:01"_s).value_or(RouterClient()).hostname, u"first"_s);
    EXPECT_FALSE(targetRow(rows, u"AA:BB:CC:00:00:02"_s));
}

TEST(PeplinkAnswers, ReadsFirmware8ObjectsByTheirUnitsAndItsBandOnlyWhereTheAnswerNamesIt) {
    struct Row {
        const char* name;
        QByteArray fields;
        int rssi;
        double txRate;
        std::string iface;
    };
    const Row rows[] = {
        {"signalStrength object", R"("signalStrength": {"value": -61.7, "unit": "DBM"})", -61, 0.0, "wlan"},
        {"plain signalStrength first", R"("signalStrength": -58, "signal": {"strength": -70})", -58, 0.0,
         "wlan"},
        {"no unit, plausible dBm", R"("signalStrength": {"value": -66})", -66, 0.0, "wlan"},
        {"no unit, not dBm", R"("signalStrength": {"value": 40})", -99, 0.0, "wlan"},
        {"another unit: signal's strength",
         R"("signalStrength": {"value": -40, "unit": "%"}, "signal": {"strength": -72, "level": 2})", -72,
         0.0, "wlan"},
        {"a level is bars", R"("signal": {"strength": 3, "level": 3})", -99, 0.0, "wlan"},
        {"speed in kbit/s: the download",
         R"("speed": {"download": 866700, "upload": 400000, "unit": "kbps"}, "frequency": 5180)", -99, 866.7,
         "5G"},
        {"speed without a unit", R"("speed": {"download": 72200}, "frequency": 2.437)", -99, 72.2, "2.4G"},
        {"nothing sent down yet", R"("speed": {"download": 0, "upload": 288.2, "unit": "Mbps"})", -99, 288.2,
         "wlan"},
        {"speed in a foreign unit", R"("speed": {"download": 2, "unit": "Gbit/s"})", -99, 0.0, "wlan"},
        {"band field over the channel", R"("signal": {"strength": -60}, "band": "6 GHz", "channel": 37)", -60,
         0.0, "6G"},
        {"frequency over the band field", R"("signal": {"strength": -60}, "frequency": 5955, "band": "5G")",
         -60, 0.0, "6G"},
        {"6 GHz channel, no band", R"("signal": {"strength": -60}, "channel": 5)", -60, 0.0, "wlan"},
        {"only 6 GHz goes this high", R"("signal": {"strength": -60}, "channel": 197)", -60, 0.0, "6G"},
    };
    for (const Row& row : rows) {
        const RouterClient client = clientRows(clientAnswer(R"({"mac": "a", )" + row.fields + "}")).value(0);
        EXPECT_EQ(std::tuple(client.rssi, client.txRate, client.iface.toStdString()),
                  std::tuple(row.rssi, row.txRate, row.iface))
            << row.name;
    }
    // Beside a firmware 8 station, one without readings yet is of firmware 8 too.
    EXPECT_EQ(clientRows(clientAnswer(R"({"mac": "a", "channel": 36}, {"mac": "b", "speed": {"upload": 1}})"))
                  .value(0)
                  .iface,
              u"wlan"_s);
}

TEST(PeplinkAnswers, SystemStatusNamesTheModelAndTellsHealth) {
    EXPECT_EQ(
        modelName(R"({"stat": "ok", "response": {"device": {"name": "Site", "model": "Balance 20X"}}})"),
        u"Balance 20X"_s);
    EXPECT_EQ(modelName(R"({"response": {"model": "Balance\u202e\u0007"}})"), u"Balance\\x07"_s);
    // A model left empty by cleaning does not hide the nested one or the default.
    EXPECT_EQ(modelName(R"({"response": {"model": "\u061c", "device": {"model": "B20X"}}})"), u"B20X"_s);
    for (const char* body : {R"({"response": {"model": 710}})", R"({"response": {"model": "\u202e"}})",
                             "<html>Forbidden</html>"})
        EXPECT_EQ(modelName(body), u"Peplink Router"_s) << body;

    EXPECT_FALSE(isHealthy(R"({"stat": "fail", "code": 401, "message": "Unauthorized"})"));
    EXPECT_FALSE(isHealthy("<html>502</html>"));
}

} // namespace
