#include "logs/SignalHistory.h"

#include "logs/HistoryDatabase.h"
#include "monitor/FakeClock.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class SignalHistoryTest : public ::testing::Test {
protected:
    HistoryReading readingNow(TargetSlot slot, int rssi) const {
        HistoryReading reading;
        reading.timeMs = clock.now().toMSecsSinceEpoch();
        reading.slot = slot;
        reading.mac = u"aa:bb:cc:00:00:01"_s;
        reading.rssi = rssi;
        return reading;
    }

    // Waits for the worker through the history's own ordering: a load runs after
    // every batch handed over before it.
    HistorySnapshot loadAll(SignalHistory& history) {
        std::optional<HistorySnapshot> loaded;
        QObject receiver;
        history.load(0, clock.now().toMSecsSinceEpoch() + 1, &receiver,
                     [&](HistorySnapshot snapshot) { loaded = std::move(snapshot); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return loaded.has_value(); }, 5000));
        return loaded.value_or(HistorySnapshot{});
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"Veltrano/history.sqlite3"_s);
    SettingsStore settings{folder.filePath(u"settings.json"_s)};
    FakeClock clock;
};

// Readings wait in memory until the batch goes; a read sees every one queued
// before it; an outage is one row from its start to its end.
TEST_F(SignalHistoryTest, ReadingsAndOutagesReachTheDatabaseInBatches) {
    SignalHistory history(path, settings, clock);
    history.record(readingNow(TargetSlot::a, -55));
    clock.advance(1000);
    history.record(readingNow(TargetSlot::b, -61));
    EXPECT_FALSE(QFileInfo::exists(path));

    history.routerBecameUnreachable();
    clock.advance(4000);
    history.flush();
    // Killed now, the outage would be on disk as lasting until this batch.
    EXPECT_EQ(HistoryDatabase::open(path, HistoryDatabase::Access::readOnly).database, nullptr);
    HistorySnapshot snapshot = loadAll(history);
    ASSERT_EQ(snapshot.readings.size(), 2);
    ASSERT_EQ(snapshot.outages.size(), 1);
    EXPECT_EQ(snapshot.outages.front().endMs, clock.now().toMSecsSinceEpoch());

    clock.advance(6000);
    history.routerRecovered();
    snapshot = loadAll(history);
    ASSERT_EQ(snapshot.outages.size(), 1);
    EXPECT_EQ(*snapshot.outages.front().endMs - snapshot.outages.front().startMs, 10'000);
    EXPECT_EQ(history.connectedSinceMs(), snapshot.readings.front().timeMs);
}

// With the switch off nothing is written, and no file is made.
TEST_F(SignalHistoryTest, RecordingOffWritesNothing) {
    QFile stored(settings.filePath());
    ASSERT_TRUE(stored.open(QIODevice::WriteOnly));
    stored.write(R"({"historyDays": 0})");
    stored.close();
    SignalHistory history(path, settings, clock);
    history.record(readingNow(TargetSlot::a, -55));
    history.flush();
    EXPECT_TRUE(loadAll(history).readings.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

// A database that cannot be made stops recording once, with the reason.
TEST_F(SignalHistoryTest, AnUnwritablePlaceStopsRecordingOnce) {
    QFile blocker(folder.filePath(u"Veltrano"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    SignalHistory history(path, settings, clock);
    QSignalSpy stopped(&history, &SignalHistory::recordingStopped);
    history.record(readingNow(TargetSlot::a, -55));
    history.flush();
    ASSERT_TRUE(stopped.wait(5000));
    history.record(readingNow(TargetSlot::a, -56));
    history.flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(stopped.size(), 1);
    EXPECT_FALSE(history.stoppedReason().isEmpty());
}

} // namespace
