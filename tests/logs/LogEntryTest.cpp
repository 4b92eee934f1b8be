#include "logs/LogEntry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Timestamps come back exactly as stored, awkward text survives, and readings
// that are absent are left out of the object rather than written as null.
TEST(LogEntryTest, RoundTripKeepsEveryValueAndLeavesOutAbsentReadings) {
    const QList<LogEntry> entries{
        {736'000'000.123456789, QStringLiteral("Marginal"), -71, 38, QStringLiteral("A · Signal marginal")},
        {0.1 + 0.2, QStringLiteral("—"), std::nullopt, std::nullopt,
         QStringLiteral("quote \" backslash \\ tab \t bell \x07 camera \U0001F4F7")}};
    const QByteArray encoded = LogEntry::encodeList(entries);
    EXPECT_FALSE(encoded.contains('\n')) << "written compactly";
    EXPECT_EQ(LogEntry::decodeList(encoded), entries);
    EXPECT_FALSE(encoded.contains("null"));
}

// The file's times count seconds from the start of 2001; how a time shows is
// checked by the markdown exports.
TEST(LogEntryTest, TimestampCountsFromTheStartOf2001) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(LogEntry::timestampFrom(reference.addMSecs(-1500)), -1.5);
}

// One malformed object rejects the whole file, so that a save never drops it
// silently. Each side of each rule: a null reading or an unknown key is fine; a
// whole number written -60.0 is one, -60.5 is not; nor is one beyond an int, a
// value of the wrong type, a time no clock wrote, a missing message, a bare object
// or a cut file.
TEST(LogEntryTest, DecodesAllOrNothing) {
    const QByteArray valid = R"({"timestamp":1,"state":"s","message":"m"})";
    const auto withSecond = [&valid](const char* second) { return "[" + valid + "," + second + "]"; };
    for (const char* json : {R"({"timestamp":1,"state":"s","rssi":null,"message":"m","x":1})",
                             R"({"timestamp":1,"state":"s","rssi":-60.0,"message":"m"})"})
        EXPECT_EQ(LogEntry::decodeList(withSecond(json)).value_or(QList<LogEntry>{}).size(), 2) << json;
    for (const QByteArray& json :
         {withSecond(R"({"timestamp":1,"state":"s","rssi":-60.5,"message":"m"})"),
          withSecond(R"({"timestamp":1,"state":"s","rssi":3000000000,"message":"m"})"),
          withSecond(R"({"timestamp":"x","state":"s","message":"m"})"),
          withSecond(R"({"timestamp":7.8e20,"state":"s","message":"m"})"),
          withSecond(R"({"timestamp":1,"state":"s"})"), valid, "[" + valid + ",{\"timest"})
        EXPECT_EQ(LogEntry::decodeList(json), std::nullopt) << json.toStdString();
}

} // namespace
