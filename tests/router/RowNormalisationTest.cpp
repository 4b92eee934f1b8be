#include "router/RowNormalisation.h"

#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

QJsonObject parsedObject(const QByteArray& json) {
    const std::optional<QJsonDocument> document = parseRouterJson(json);
    return document ? document->object() : QJsonObject();
}

struct CounterRow {
    std::string name;
    QByteArray json; // the value stored under "bytes"
    std::optional<std::uint64_t> expected;

    friend void PrintTo(const CounterRow& row, std::ostream* os) { *os << row.name; }
};

class CounterTest : public testing::TestWithParam<CounterRow> {};

TEST_P(CounterTest, ReadsNumbersAndDecimalStringsExactly) {
    const QJsonObject row = parsedObject("{\"bytes\": " + GetParam().json + ", \"next\": 7}");
    ASSERT_TRUE(row.contains(QStringLiteral("next")));
    EXPECT_EQ(readCounter(row.value(QStringLiteral("bytes"))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CounterTest,
    testing::Values(
        CounterRow{"zero", "0", 0}, CounterRow{"plain", "123456", 123456},
        CounterRow{"aboveDoublePrecision", "9007199254740993", 9007199254740993ULL},
        CounterRow{"largestSigned", "9223372036854775807", 9223372036854775807ULL},
        CounterRow{"smallestBeyondSigned", "9223372036854775808", 9223372036854775808ULL},
        CounterRow{"largestUnsigned", "18446744073709551615", 18446744073709551615ULL},
        CounterRow{"beyondUnsigned", "18446744073709551616", std::nullopt},
        CounterRow{"fractionTruncated", "1.9", 1}, CounterRow{"exponent", "1e3", 1000},
        CounterRow{"negative", "-1", std::nullopt}, CounterRow{"negativeFraction", "-0.5", std::nullopt},
        CounterRow{"hugeNegative", "-18446744073709551615", std::nullopt},
        CounterRow{"decimalString", "\"123\"", 123},
        CounterRow{"largestUnsignedString", "\"18446744073709551615\"", 18446744073709551615ULL},
        CounterRow{"stringWithLetter", "\"12a\"", std::nullopt},
        CounterRow{"emptyString", "\"\"", std::nullopt}, CounterRow{"signedString", "\"-5\"", std::nullopt},
        CounterRow{"fractionString", "\"1.5\"", std::nullopt}, CounterRow{"boolean", "true", std::nullopt},
        CounterRow{"null", "null", std::nullopt}, CounterRow{"object", "{\"v\": 1}", std::nullopt}),
    [](const testing::TestParamInfo<CounterRow>& info) { return info.param.name; });

TEST(ParseRouterJsonTest, LeavesStringsAndNestedValuesAlone) {
    const QByteArray json = R"({"name": "cam \"18446744073709551615\" -99999999999999999999",
                                "list": [{"tx": 18446744073709551615, "rssi": -61, "rate": 866.7}]})";
    const QJsonObject root = parsedObject(json);

    EXPECT_EQ(root.value(QStringLiteral("name")).toString(),
              QStringLiteral("cam \"18446744073709551615\" -99999999999999999999"));
    const QJsonObject station = root.value(QStringLiteral("list")).toArray().at(0).toObject();
    EXPECT_EQ(readCounter(station.value(QStringLiteral("tx"))), 18446744073709551615ULL);
    EXPECT_EQ(station.value(QStringLiteral("rssi")).toInt(), -61);
    EXPECT_DOUBLE_EQ(station.value(QStringLiteral("rate")).toDouble(), 866.7);
}

TEST(ParseRouterJsonTest, RejectsText) {
    EXPECT_FALSE(parseRouterJson("<html>502 Bad Gateway</html>"));
    EXPECT_FALSE(parseRouterJson("{\"tx\": 18446744073709551615"));
}

TEST(RowFieldsTest, FallsBackToTheNextKeyWhenAValueIsUnusable) {
    const QJsonObject row = parsedObject(R"({"total_tx": "n/a", "tx_bytes": 42, "name": "", "hostname": "r5",
                                             "signal": "weak", "rssi": -67.8})");
    const auto tx = QStringLiteral("total_tx"), txBytes = QStringLiteral("tx_bytes");

    EXPECT_EQ(firstCounter(row, {tx, txBytes}), 42U);
    EXPECT_EQ(firstCounter(row, {QStringLiteral("rx_bytes")}), 0U);
    EXPECT_EQ(firstString(row, {QStringLiteral("name"), QStringLiteral("hostname")}), QStringLiteral("r5"));
    EXPECT_EQ(firstString(row, {QStringLiteral("ip")}), QString());
    EXPECT_EQ(firstRSSI(row, {QStringLiteral("signal"), QStringLiteral("rssi")}), -67);
    EXPECT_EQ(firstRSSI(row, {QStringLiteral("signal")}), -99);
    EXPECT_EQ(firstRSSI(parsedObject(R"({"signal": 1e300})"), {QStringLiteral("signal")}), -99);
}

TEST(RowFieldsTest, ConvertsKilobitsToMegabits) {
    EXPECT_DOUBLE_EQ(megabitsFromKilobits(866700), 866.7);
    EXPECT_DOUBLE_EQ(megabitsFromKilobits(0), 0.0);
}

} // namespace
