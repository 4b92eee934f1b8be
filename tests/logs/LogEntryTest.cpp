#include "logs/LogEntry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

TEST(LogEntryTest, RoundTripKeepsStoredTimestampAndLeavesOutAbsentReadings) {
    const QList<LogEntry> entries{
        {736'000'000.123456789, QStringLiteral("Marginal"), -71, 38,
         QStringLiteral("A · Signal marginal — move closer to router")},
        {0.1 + 0.2, QStringLiteral("—"), std::nullopt, std::nullopt,
         QStringLiteral("quote \" backslash \\ tab \t bell \x07 camera \U0001F4F7")},
        {-1e300, QString(), 0, 0, QString()},
    };
    const QByteArray encoded = LogEntry::encodeList(entries);

    EXPECT_FALSE(encoded.contains('\n')) << "written compactly";
    const QJsonArray array = QJsonDocument::fromJson(encoded).array();
    ASSERT_EQ(array.size(), 3);
    EXPECT_TRUE(array[0].toObject().contains(QStringLiteral("rssi")));
    EXPECT_FALSE(array[1].toObject().contains(QStringLiteral("rssi")));
    EXPECT_FALSE(array[1].toObject().contains(QStringLiteral("percent")));

    const std::optional<QList<LogEntry>> decoded = LogEntry::decodeList(encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, entries);
}

TEST(LogEntryTest, FileFormOfOneEntry) {
    const LogEntry entry{736'000'000.0, QStringLiteral("Offline"), std::nullopt, std::nullopt,
                         QStringLiteral("B · Device offline")};
    EXPECT_EQ(entry.toJson(),
              QByteArray(R"({"timestamp":736000000,"state":"Offline","message":"B · Device offline"})"));
    EXPECT_EQ(LogEntry::fromJson(QJsonDocument::fromJson(entry.toJson()).object()), entry);
}

TEST(LogEntryTest, TimestampCountsFromTheStartOf2001) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(LogEntry::timestampFrom(reference), 0.0);
    EXPECT_EQ(LogEntry::timestampFrom(reference.addMSecs(-1500)), -1.5);

    // A clock shows the second that has begun, even a breath before the next one.
    const LogEntry entry{86'399.9996, {}, {}, {}, {}};
    EXPECT_EQ(entry.dateTime(), QDateTime(QDate(2001, 1, 1), QTime(23, 59, 59, 999), Qt::UTC));
}

struct DecodeRow {
    const char* name;
    friend void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.name; }
    const char* json;
    // Number of entries decoded; -1 when the whole array must be rejected.
    int expectedCount;
};

class LogEntryDecodeTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(LogEntryDecodeTest, DecodesAllOrNothing) {
    const std::optional<QList<LogEntry>> decoded = LogEntry::decodeList(QByteArray(GetParam().json));
    if (GetParam().expectedCount < 0) {
        EXPECT_FALSE(decoded);
        return;
    }
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), GetParam().expectedCount);
}

#define VALID_ENTRY R"({"timestamp":1.5,"state":"Excellent","rssi":-50,"percent":100,"message":"m"})"

INSTANTIATE_TEST_SUITE_P(
    Rows, LogEntryDecodeTest,
    ::testing::Values(
        DecodeRow{"EmptyArray", "[]", 0},
        DecodeRow{"NullReadingIsAbsent", R"([{"timestamp":1,"state":"Offline","rssi":null,"message":"m"}])",
                  1},
        DecodeRow{"UnknownKeyIgnored", R"([{"timestamp":1,"state":"—","message":"m","extra":true}])", 1},
        DecodeRow{"RssiWholeNumberAsFloat", R"([{"timestamp":1,"state":"—","rssi":-60.0,"message":"m"}])", 1},
        DecodeRow{"OneMalformedAmongValid",
                  "[" VALID_ENTRY ","
                  R"({"timestamp":"x","state":"s","message":"m"})"
                  "," VALID_ENTRY "]",
                  -1},
        DecodeRow{"MissingTimestamp", R"([{"state":"s","message":"m"}])", -1},
        DecodeRow{"MissingMessage", R"([{"timestamp":1,"state":"s"}])", -1},
        DecodeRow{"StateNotString", R"([{"timestamp":1,"state":3,"message":"m"}])", -1},
        DecodeRow{"RssiFractional", R"([{"timestamp":1,"state":"s","rssi":-60.5,"message":"m"}])", -1},
        DecodeRow{"RssiString", R"([{"timestamp":1,"state":"s","rssi":"-60","message":"m"}])", -1},
        DecodeRow{"RssiBeyondInt", R"([{"timestamp":1,"state":"s","rssi":3000000000,"message":"m"}])", -1},
        DecodeRow{"PercentBoolean", R"([{"timestamp":1,"state":"s","percent":true,"message":"m"}])", -1},
        DecodeRow{"ElementNotObject", "[" VALID_ENTRY ",42]", -1},
        DecodeRow{"TopLevelObject", VALID_ENTRY, -1},
        DecodeRow{"Truncated", "[" VALID_ENTRY ",{\"timest", -1}),
    [](const ::testing::TestParamInfo<DecodeRow>& info) { return std::string(info.param.name); });

} // namespace
