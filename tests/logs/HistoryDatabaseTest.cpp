#include "logs/HistoryDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 minute = 60 * 1000;
constexpr qint64 day = 24 * 60 * minute;
const qint64 start = QDateTime(QDate(2026, 11, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();

HistoryReading reading(qint64 timeMs, TargetSlot slot, int rssi, SignalState state = SignalState::excellent) {
    HistoryReading reading;
    reading.timeMs = timeMs;
    reading.slot = slot;
    reading.mac = slot == TargetSlot::a ? u"aa:bb:cc:00:00:01"_s : u"aa:bb:cc:00:00:02"_s;
    reading.name = slot == TargetSlot::a ? u"Z8 body"_s : u"R5 second"_s;
    reading.rssi = rssi;
    reading.lowestRssi = rssi;
    reading.highestRssi = rssi;
    reading.rateMbps = 400;
    reading.state = state;
    reading.band = u"5 GHz"_s;
    reading.accessPoint = u"Studio AP"_s;
    return reading;
}

class HistoryDatabaseTest : public ::testing::Test {
protected:
    HistoryDatabase& database() {
        if (!opened.database)
            opened = HistoryDatabase::open(path);
        return *opened.database;
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"Veltrano/history.sqlite3"_s);
    HistoryDatabase::Opened opened;
};

// What goes in comes back as it went, for both slots in time order, and an
// outage written again with its end is one outage.
TEST_F(HistoryDatabaseTest, ReadingsAndOutagesComeBackAsWritten) {
    HistoryReading roamed = reading(start + 2000, TargetSlot::a, -71, SignalState::marginal);
    roamed.accessPoint = u"Hall AP"_s;
    roamed.listed = false;
    roamed.throughputMBps = 12.345;
    const QList<HistoryReading> readings{reading(start, TargetSlot::a, -55),
                                         reading(start, TargetSlot::b, -60),
                                         reading(start + 1000, TargetSlot::a, -56), roamed};
    ASSERT_EQ(database().write(readings, {{start + 500, start + 500, u"Router unreachable"_s}}),
              std::nullopt);
    ASSERT_EQ(database().write({}, {{start + 500, start + 1500, u"Router unreachable"_s}}), std::nullopt);

    const HistorySnapshot snapshot = database().snapshot(start, start + 10'000);
    EXPECT_FALSE(snapshot.perMinute);
    EXPECT_EQ(snapshot.readings, readings);
    ASSERT_EQ(snapshot.outages.size(), 1);
    EXPECT_EQ(snapshot.outages.front().endMs, start + 1500);
    EXPECT_EQ(database().snapshot(start + 1001, start + 10'000).readings, QList<HistoryReading>{roamed});
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    const HistoryDatabase::Opened reader = HistoryDatabase::open(path, HistoryDatabase::Access::readOnly);
    ASSERT_TRUE(reader.database) << qPrintable(reader.error);
    EXPECT_EQ(reader.database->snapshot(start, start + 10'000).readings.size(), 4);
    EXPECT_FALSE(HistoryDatabase::open(folder.filePath(u"none.sqlite3"_s), HistoryDatabase::Access::readOnly)
                     .database);
}

// Two weeks at full resolution, then a row a minute with the minute's lowest,
// median and highest RSSI and its worst state, then nothing after `historyDays`.
TEST_F(HistoryDatabaseTest, OldReadingsFoldIntoMinutesAndExpire) {
    QList<HistoryReading> readings;
    for (const qint64 dayOffset : {0LL, 5LL, 15LL}) {
        const qint64 at = start + dayOffset * day;
        readings << reading(at, TargetSlot::a, -50)
                 << reading(at + 1000, TargetSlot::a, -80, SignalState::critical)
                 << reading(at + 2000, TargetSlot::a, -60) << reading(at + 3000, TargetSlot::b, -65);
    }
    ASSERT_EQ(database().write(readings, {}), std::nullopt);
    const qint64 now = start + 15 * day + 10 * minute;
    ASSERT_EQ(database().applyRetention(now, 365), std::nullopt);

    // The readings of day 0 are gone; those of days 5 and 15 stay.
    EXPECT_EQ(database().snapshot(start, start + minute).readings, QList<HistoryReading>());
    EXPECT_EQ(database().snapshot(start + 5 * day, start + 5 * day + minute).readings.size(), 4);

    const HistorySnapshot months = database().snapshot(start - day, now);
    ASSERT_TRUE(months.perMinute);
    ASSERT_EQ(months.readings.size(), 6);
    const HistoryReading& firstMinute = months.readings.front();
    EXPECT_EQ(firstMinute.timeMs, start);
    EXPECT_EQ(std::tuple(firstMinute.lowestRssi, firstMinute.rssi, firstMinute.highestRssi),
              std::tuple(-80, -60, -50));
    EXPECT_EQ(firstMinute.state, SignalState::critical);
    EXPECT_EQ(firstMinute.name, u"Z8 body"_s);
    EXPECT_EQ(months.readings[1].slot, TargetSlot::b);

    // Folding twice adds nothing; a shorter keep drops the old minutes too.
    ASSERT_EQ(database().applyRetention(now, 365), std::nullopt);
    EXPECT_EQ(database().snapshot(start - day, now).readings.size(), 6);
    ASSERT_EQ(database().applyRetention(now, 7), std::nullopt);
    EXPECT_EQ(database().snapshot(start - day, now).readings.size(), 2);
}

// The tray keeps the database open all day: between batches SQLite holds no
// pages, however many a write, a fold or a read went through.
TEST_F(HistoryDatabaseTest, ReleasedMemoryLeavesNoPageCache) {
    constexpr int hour = 3600;
    QList<HistoryReading> readings;
    for (int second = 0; second < 3 * hour; ++second)
        readings << reading(start + second * 1000LL, TargetSlot::a, -50 - second % 30);
    ASSERT_EQ(database().write(readings, {}), std::nullopt);
    ASSERT_EQ(database().applyRetention(start + 3 * hour * 1000LL, 365), std::nullopt);
    ASSERT_EQ(database().snapshot(start, start + hour * 1000LL - 1).readings.size(), hour);
    const sqlite3_int64 working = sqlite3_memory_used();
    database().releaseMemory();
    EXPECT_LT(sqlite3_memory_used(), 64 * 1024) << "while working: " << working;
}

// A file that is not a database is kept under another name and recording
// starts in a new one.
TEST_F(HistoryDatabaseTest, ADamagedFileIsSetAsideAndANewOneStarted) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();

    ASSERT_TRUE(database().write({reading(start, TargetSlot::a, -55)}, {}) == std::nullopt);
    ASSERT_FALSE(opened.setAsidePath.isEmpty());
    QFile aside(opened.setAsidePath);
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray(8192, 'x'));
    EXPECT_EQ(database().snapshot(start, start + 1).readings.size(), 1);
}

} // namespace
