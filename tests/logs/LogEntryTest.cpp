#include "logs/LogEntry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Timestamps come back exactly as stored, awkward text survives, and readings
// that are absent are left out of the object rather than written as null.
TEST(LogEntryTest, RoundTripKeepsEveryValueAndLeavesOutAbsentReadings) {
    const QList<LogEntry> entries{
        {736'000'000.123456789, QStringLiteral("Marginal"), -71, 38,
         QStringLiteral("A · Signal marginal — move closer to router")},
        {0.1 + 0.2, QStringLiteral("—"), std::nullopt, std::nullopt,
         QStringLiteral("quote \" backslash \\ tab \t bell \x07 camera \U0001F4F7")},
        {-1e300, QString(), 0, 0, QString()},
    };
    const QByteArray encoded = LogEntry::encodeList(entries);
    EXPECT_FALSE(encoded.contains('\n')) << "written compactly";
    EXPECT_EQ(LogEntry::decodeList(encoded), entries);

    const LogEntry offline{736'000'000.0, QStringLiteral("Offline"), std::nullopt, std::nullopt,
                           QStringLiteral("B · Device offline")};
    EXPECT_EQ(offline.toJson(),
              QByteArray(R"({"timestamp":736000000,"state":"Offline","message":"B · Device offline"})"));
}

TEST(LogEntryTest, TimestampCountsFromTheStartOf2001) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(LogEntry::timestampFrom(reference.addMSecs(-1500)), -1.5);
    // A clock shows the second that has begun, even a breath before the next one.
    const LogEntry entry{86'399.9996, {}, {}, {}, {}};
    EXPECT_EQ(entry.dateTime(), QDateTime(QDate(2001, 1, 1), QTime(23, 59, 59, 999), Qt::UTC));
}

#define VALID_ENTRY R"({"timestamp":1.5,"state":"Excellent","rssi":-50,"percent":100,"message":"m"})"

// One malformed object rejects the whole file, so that a save never drops it silently.
TEST(LogEntryTest, DecodesAllOrNothing) {
    EXPECT_EQ(LogEntry::decodeList("[]"), QList<LogEntry>{});
    for (const char* json : {R"([{"timestamp":1,"state":"Offline","rssi":null,"message":"m"}])",
                             R"([{"timestamp":1,"state":"—","message":"m","extra":true}])",
                             R"([{"timestamp":1,"state":"—","rssi":-60.0,"message":"m"}])"})
        EXPECT_EQ(LogEntry::decodeList(json).value_or(QList<LogEntry>{}).size(), 1) << json;
    for (const char* json :
         {"[" VALID_ENTRY R"(,{"timestamp":"x","state":"s","message":"m"},)" VALID_ENTRY "]",
          R"([{"timestamp":1,"state":"s"}])", R"([{"timestamp":1,"state":3,"message":"m"}])",
          R"([{"timestamp":1,"state":"s","rssi":-60.5,"message":"m"}])",
          R"([{"timestamp":1,"state":"s","rssi":3000000000,"message":"m"}])",
          R"([{"timestamp":1,"state":"s","percent":true,"message":"m"}])", "[" VALID_ENTRY ",42]",
          VALID_ENTRY, "[" VALID_ENTRY ",{\"timest"})
        EXPECT_EQ(LogEntry::decodeList(json), std::nullopt) << json;
}

} // namespace
