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
