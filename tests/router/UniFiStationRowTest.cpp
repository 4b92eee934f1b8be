#include "router/UniFiStationRow.h"

#include "router/RowNormalisation.h"
#include "router/UniFiAnswer.h"

#include <gtest/gtest.h>

namespace {

QJsonObject station(const QByteArray& fields) {
    const std::optional<QJsonDocument> document =
        parseRouterJson("{\"mac\": \"0a:1b:2c:3d:4e:5f\", " + fields + "}");
    return document ? document->object() : QJsonObject();
}

struct FieldRow {
    std::string name;
    QByteArray fields;
    std::optional<int> rssi; // none: the station is not a wireless row
    QString iface = BandLabel::unknownWireless;

    friend void PrintTo(const FieldRow& row, std::ostream* os) { *os << row.name; }
};

class StationFieldTest : public testing::TestWithParam<FieldRow> {};

TEST_P(StationFieldTest, MapsSignalBandAndWiredFlag) {
    const std::optional<RouterClient> row = uniFiStationRow(station(GetParam().fields));
    ASSERT_EQ(row.has_value(), GetParam().rssi.has_value());
    if (row) {
        EXPECT_EQ(row->rssi, GetParam().rssi);
        EXPECT_EQ(row->iface, GetParam().iface);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stations, StationFieldTest,
    testing::Values(
        FieldRow{"signalWinsOverRssi", R"("signal": -63, "rssi": 33)", -63},
        FieldRow{"rssiAboveFloor", R"("rssi": 33)", -63}, FieldRow{"rssiAtFloor", R"("rssi": 0)", -96},
        FieldRow{"negativeRssiIsDBm", R"("rssi": -71)", -71},
        FieldRow{"signalString", R"("signal": "-58", "rssi": 38)", -58},
        FieldRow{"rssiString", R"("rssi": "40")", -56},
        FieldRow{"unreadableSignalFallsBack", R"("signal": "weak", "rssi": 30)", -66},
        FieldRow{"noSignal", R"("signal": null)", -99},
        FieldRow{"radioNg", R"("radio": "ng")", -99, BandLabel::twoPointFour},
        FieldRow{"radioNa", R"("radio": "na")", -99, BandLabel::five},
        FieldRow{"radio6e", R"("radio": "6e")", -99, BandLabel::six},
        FieldRow{"radioOther", R"("radio": "11be")", -99}, FieldRow{"radioNumber", R"("radio": 5)", -99},
        FieldRow{"wiredTrue", R"("is_wired": true)", std::nullopt},
        FieldRow{"wiredString", R"("is_wired": "true")", std::nullopt},
        FieldRow{"wiredOne", R"("is_wired": 1)", std::nullopt},
        FieldRow{"wiredFalse", R"("is_wired": false)", -99}, FieldRow{"wiredZero", R"("is_wired": 0)", -99},
        FieldRow{"wiredFalseString", R"("is_wired": "false")", -99}),
    [](const testing::TestParamInfo<FieldRow>& info) { return info.param.name; });

TEST(UniFiStationRowTest, ReadsNumericStringsAndFallsBackForNames) {
    const std::optional<RouterClient> row = uniFiStationRow(station(
        R"("hostname": "", "name": "", "oui": "Canon", "last_ip": "10.0.0.7", "tx_rate": "270000",
           "tx_bytes": "8823820", "rx_bytes": 18446744073709551615, "nss": "2", "channel_width": "40",
           "radio_proto": "ac", "signal": -63)"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->hostname, QStringLiteral("Canon"));
    EXPECT_EQ(row->ip, QStringLiteral("10.0.0.7"));
    EXPECT_DOUBLE_EQ(row->txRate, 270.0);
    EXPECT_EQ(row->txBytes, 8823820U);
    EXPECT_EQ(row->rxBytes, 18446744073709551615ULL);
    EXPECT_TRUE(row->isOnline);
    EXPECT_EQ(row->linkDetail, (ClientLinkDetail{std::nullopt, 2, 40, std::nullopt, QStringLiteral("ac")}));
}

TEST(UniFiStationRowTest, UnusableNumbersCountAsAbsent) {
    const std::optional<RouterClient> row = uniFiStationRow(
        station(R"("tx_rate": "fast", "tx_bytes": -1, "nss": 0, "channel_width": "wide", "radio_proto": 3)"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->txRate, 0.0);
    EXPECT_EQ(row->txBytes, 0U);
    EXPECT_EQ(row->linkDetail, ClientLinkDetail{});
}

TEST(UniFiStationRowTest, ListKeepsOnlyWirelessStationsWithAMAC) {
    const std::optional<QJsonArray> data = uniFiData(R"({"meta": {"rc": "ok"}, "data": [
        {"mac": "aa:00:00:00:00:01", "is_wired": true}, {"hostname": "no mac"}, {"mac": 7}, "text", null,
        {"mac": "aa:00:00:00:00:02", "signal": -50}]})");
    ASSERT_TRUE(data);
    const QList<RouterClient> rows = uniFiStationRows(*data);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().mac, QStringLiteral("aa:00:00:00:00:02"));
}

TEST(UniFiStationRowTest, AnswersWithoutADataArrayGiveNothing) {
    EXPECT_FALSE(uniFiData("<html><body>502 Bad Gateway</body></html>"));
    EXPECT_FALSE(uniFiData(R"({"meta": {"rc": "error", "msg": "api.err.LoginRequired"}})"));
    EXPECT_FALSE(uniFiData(R"({"data": {"mac": "aa:00:00:00:00:01"}})"));
    EXPECT_FALSE(uniFiData(R"([{"mac": "aa:00:00:00:00:01"}])"));
    EXPECT_EQ(uniFiData(R"({"data": []})"), QJsonArray());
}

TEST(UniFiStationRowTest, FindsObjectsByMACIgnoringCase) {
    const QJsonArray data =
        *uniFiData(R"({"data": [{"mac": "AA:00:00:00:00:01", "n": 1}, {"mac": "aa:00:00:00:00:02"}]})");
    EXPECT_EQ(
        uniFiObjectForMAC(data, QStringLiteral("aa:00:00:00:00:01"))->value(QStringLiteral("n")).toInt(), 1);
    EXPECT_FALSE(uniFiObjectForMAC(data, QStringLiteral("aa:00:00:00:00:03")));
    EXPECT_FALSE(uniFiObjectForMAC(data, QString()));
}

TEST(UniFiStationRowTest, DumpListsEveryFieldSortedByKey) {
    const QJsonObject object =
        parseRouterJson(R"({"signal": -63, "mac": "aa:00:00:00:00:01", "is_wired": false, "ip": null,
                            "bytes-r": 27.5, "x": [1]})")
            ->object();
    EXPECT_EQ(uniFiStationDump(object, QStringLiteral("AA:00:00:00:00:01")),
              QStringLiteral("[DIAG] UniFi /stat/sta fields for AA:00:00:00:00:01:\n"
                             "  bytes-r = 27.5\n  ip = nil\n  is_wired = false\n  mac = aa:00:00:00:00:01\n"
                             "  signal = -63\n  x = [1]"));
}

} // namespace
