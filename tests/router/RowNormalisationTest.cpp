#include "router/RowNormalisation.h"

#include "router/ClientLinkDetail.h"
#include "router/RouterUrl.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QJsonObject parsedObject(const QByteArray& json) {
    return parseRouterJson(json).value_or(QJsonDocument()).object();
}

TEST(RowNormalisation, CountersReadNumbersAndDecimalStringsExactly) {
    // Beyond a double's precision, either side of 2^63, at and past 2^64, fractions, strings and a boolean.
    const std::pair<QByteArray, std::optional<std::uint64_t>> rows[] = {
        {"0", 0},
        {"-0.5", std::nullopt},
        {"9007199254740993", 9007199254740993ULL},
        {"9223372036854775807", 9223372036854775807ULL},
        {"9223372036854775809", 9223372036854775809ULL},
        {"18446744073709551615", 18446744073709551615ULL},
        {"18446744073709551616", std::nullopt},
        {"1.9", 1},
        {"\"18446744073709551615\"", 18446744073709551615ULL},
        {"\"12a\"", std::nullopt},
        {"\"1.5\"", std::nullopt},
        {"true", std::nullopt},
    };
    for (const auto& [json, expected] : rows) {
        const QJsonObject object = parsedObject("{\"bytes\": " + json + ", \"next\": 7}");
        ASSERT_TRUE(object.contains(u"next"_s)) << json.constData();
        EXPECT_EQ(readCounter(object[u"bytes"_s]), expected) << json.constData();
    }
}

TEST(RowNormalisation, ParseLeavesStringsAndNestedValuesAloneAndRejectsText) {
    const QJsonObject root = parsedObject(R"({"name": "cam \"18446744073709551615\" -99999999999999999999",
                                "list": [{"tx": 18446744073709551615, "rssi": -61, "rate": 866.7}]})");
    EXPECT_EQ(root[u"name"_s].toString(), u"cam \"18446744073709551615\" -99999999999999999999"_s);
    const QJsonObject station = root[u"list"_s].toArray().at(0).toObject();
    EXPECT_EQ(readCounter(station[u"tx"_s]), 18446744073709551615ULL);
    EXPECT_EQ(station[u"rssi"_s].toInt(), -61);
    EXPECT_DOUBLE_EQ(station[u"rate"_s].toDouble(), 866.7);

    EXPECT_FALSE(parseRouterJson("<html>502 Bad Gateway</html>"));
    EXPECT_FALSE(parseRouterJson("{\"tx\": 18446744073709551615"));
}

TEST(RowNormalisation, FieldsFallBackToTheNextKeyWhenAValueIsUnusable) {
    const QJsonObject row = parsedObject(R"({"total_tx": "n/a", "tx_bytes": 42, "name": "", "hostname": "r5",
                                             "signal": "weak", "rssi": -67.8})");
    EXPECT_EQ(firstCounter(row, {u"total_tx"_s, u"tx_bytes"_s}), 42U);
    EXPECT_EQ(firstCounter(row, {u"rx_bytes"_s}), 0U);
    EXPECT_EQ(firstString(row, {u"name"_s, u"hostname"_s}), u"r5"_s);
    EXPECT_EQ(firstRSSI(row, {u"signal"_s, u"rssi"_s}), -67);
    EXPECT_EQ(firstRSSI(row, {u"signal"_s}), -99);
    EXPECT_EQ(firstRSSI(parsedObject(R"({"signal": 1e300})"), {u"signal"_s}), -99);
    EXPECT_DOUBLE_EQ(megabitsFromKilobits(866700), 866.7);
}

TEST(RowNormalisation, LinkDetailTextJoinsThePartsPresentInFixedOrder) {
    EXPECT_EQ(linkDetailText(ClientLinkDetail(9, 2, 80, true, u"ac"_s)),
              u"MCS 9 \u00B7 80 MHz \u00B7 2SS \u00B7 SGI \u00B7 802.11ac"_s);
    EXPECT_EQ(linkDetailText(ClientLinkDetail({}, {}, {}, false, {})), u"LGI"_s);
    EXPECT_EQ(linkDetailText(ClientLinkDetail(0, {}, {}, {}, {})), u"MCS 0"_s);
    EXPECT_EQ(linkDetailText(ClientLinkDetail()), u"--"_s);
}

// Rates a station really reports, each against the width it was measured on:
// one MCS below the top must not come out a width too narrow.
TEST(RowNormalisation, WidthEstimateNeedsARateBeyondTheNextNarrowerWidth) {
    struct Row {
        const char* name;
        double rateMbps;
        std::optional<int> nss;
        std::optional<QString> phyMode;
        std::optional<int> widthMHz;
    };
    const Row rows[] = {
        {"HE80 2SS MCS10 tablet", 1080.9, 2, u"ax"_s, 80},
        {"HE160 2SS MCS11", 2161.0, 2, u"ax"_s, 160},
        {"HE80 2SS MCS11 is still 80", 1201.0, 2, u"ax"_s, 80},
        {"HE40 1SS MCS11", 286.8, 1, u"ax"_s, 40},
        {"HE20 1SS MCS11, streams unknown", 143.4, std::nullopt, u"ax"_s, 20},
        {"EHT80 2SS MCS13", 1441.2, 2, u"be"_s, 80},
        {"EHT160 1SS MCS13", 1441.2, 1, u"be"_s, 160},
        {"EHT320 2SS MCS13", 5764.7, 2, u"be"_s, 320},
        {"EHT20 1SS MCS12 beyond HE20", 154.9, 1, u"be"_s, 20},
        {"VHT80 2SS MCS9 SGI", 866.7, 2, u"ac"_s, 80},
        {"VHT40 1SS MCS9 SGI", 200.0, 0, std::nullopt, 40},
        {"VHT160 1SS MCS9", 780.0, 1, u"ac"_s, 160},
        {"no rate, no width", 0.0, 1, u"be"_s, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(estimatedWidthMHz(row.rateMbps, row.nss, row.phyMode), row.widthMHz) << row.name;
}

// Every adapter and the detector build their requests here, so a bad address
// is refused once for all of them.
TEST(RouterUrl, TakesAHostAndPortAndNothingElse) {
    EXPECT_EQ(routerUrl(u"https"_s, u"192.168.8.1"_s, u"/api/system"_s),
              QUrl(u"https://192.168.8.1/api/system"_s));
    EXPECT_EQ(routerUrl(u"http"_s, u"127.0.0.1:8080"_s, u"/rpc"_s), QUrl(u"http://127.0.0.1:8080/rpc"_s));
    for (const QString& address :
         {QString(), u"bad host"_s, u"10.0.0.1/admin?x="_s, u"user@10.0.0.1"_s, u"10.0.0.1 ; reboot"_s,
          u"10.0.0.1?x"_s, u"10.0.0.1#x"_s, u"10.0.0.1:99999"_s})
        EXPECT_EQ(routerUrl(u"http"_s, address, u"/rpc"_s), std::nullopt) << address.toStdString();
}

} // namespace
