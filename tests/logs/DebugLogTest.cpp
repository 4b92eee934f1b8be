#include "logs/DebugLog.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

const QDateTime savedAt(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);

DebugEntry entry(const QString& detail, QTime time = QTime(8, 1, 2, 34)) {
    return {QDateTime(QDate(2025, 3, 14), time, Qt::UTC), QStringLiteral("INFO"), VtCode::authRejected,
            detail};
}

TEST(DebugMarkdown, EmptyLogIsTheHeaderAlone) {
    EXPECT_EQ(debugMarkdown({}, savedAt), QStringLiteral("# Veltrano Debug Log\n"
                                                         "\n"
                                                         "*Saved: 2025-03-14 09:26:53*\n"
                                                         "\n"
                                                         "| Time | Level | Code | Detail |\n"
                                                         "|------|-------|------|--------|\n"));
}

TEST(DebugMarkdown, RowsEscapePipesAndMarkEmptyDetails) {
    // Stored in another zone; the export shows local time (UTC in tests).
    DebugEntry shifted = entry(QStringLiteral("a|b||c"));
    shifted.timestamp = QDateTime(QDate(2025, 3, 14), QTime(23, 59, 59, 999), QTimeZone(3600));
    shifted.level = QStringLiteral("ERROR");

    const QString text = debugMarkdown({entry(QString()), shifted}, savedAt);

    EXPECT_TRUE(text.endsWith(QStringLiteral("|------|-------|------|--------|\n"
                                             "| 08:01:02.034 | INFO | VT-2003 | \u2014 |\n"
                                             "| 22:59:59.999 | ERROR | VT-2003 | a\\|b\\|\\|c |\n")))
        << text.toStdString();
    EXPECT_EQ(shifted.detail, QStringLiteral("a|b||c"));
}

class DebugLogTest : public ::testing::Test {
protected:
    DebugLog log;
};

TEST_F(DebugLogTest, TheEntryAfterTheCapacityDropsTheOldest) {
    for (int i = 1; i <= DebugLog::capacity + 1; ++i)
        log.log(QStringLiteral("INFO"), VtCode::stateTransition, QString::number(i));

    ASSERT_EQ(log.entries().size(), DebugLog::capacity);
    EXPECT_EQ(log.entries().front().detail, QStringLiteral("2"));
    EXPECT_EQ(log.entries().back().detail, QString::number(DebugLog::capacity + 1));
}

TEST_F(DebugLogTest, BackgroundEventArrivesOnlyWhenTheMainQueueRuns) {
    QDateTime loggedBy;
    std::thread worker([&] {
        log.log(QStringLiteral("ERROR"), VtCode::transportFailed, QStringLiteral("first"));
        log.log(QStringLiteral("ERROR"), VtCode::transportFailed, QStringLiteral("second"));
        loggedBy = QDateTime::currentDateTime();
    });
    worker.join();
    EXPECT_TRUE(log.entries().isEmpty());

    ASSERT_TRUE(waitUntil([&] { return log.entries().size() == 2; }));
    EXPECT_EQ(log.entries().at(0).detail, QStringLiteral("first"));
    EXPECT_EQ(log.entries().at(1).detail, QStringLiteral("second"));
    // Stamped when logged, not when it reached the main thread.
    EXPECT_LE(log.entries().at(1).timestamp, loggedBy);
}

TEST(DebugLog, HandOverToADestroyedLogIsDropped) {
    auto log = std::make_unique<DebugLog>();
    std::thread worker([&] { log->log(QStringLiteral("INFO"), VtCode::nodeRecovered, QString()); });
    worker.join();
    log.reset();
    QCoreApplication::processEvents();
    SUCCEED();
}

} // namespace
