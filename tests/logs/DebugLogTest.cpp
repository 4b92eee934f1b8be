#include "logs/DebugLog.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

const QDateTime savedAt(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
const QString header = QStringLiteral("# Veltrano Debug Log\n\n*Saved: 2025-03-14 09:26:53*\n\n"
                                      "| Time | Level | Code | Detail |\n|------|-------|------|--------|\n");

// Times in local time (UTC in tests) whatever zone they were stored in; only the
// export escapes pipes, and an empty detail shows as a dash.
TEST(DebugMarkdown, HeaderThenOneEscapedRowPerEntry) {
    EXPECT_EQ(debugMarkdown({}, savedAt), header);
    const DebugEntry empty{QDateTime(QDate(2025, 3, 14), QTime(8, 1, 2, 34), Qt::UTC), QStringLiteral("INFO"),
                           VtCode::authRejected, QString()};
    const DebugEntry piped{QDateTime(QDate(2025, 3, 14), QTime(23, 59, 59, 999), QTimeZone(3600)),
                           QStringLiteral("ERROR"), VtCode::authRejected, QStringLiteral("a|b||c")};
    EXPECT_EQ(debugMarkdown({empty, piped}, savedAt),
              header + QStringLiteral("| 08:01:02.034 | INFO | VT-2003 | \u2014 |\n"
                                      "| 22:59:59.999 | ERROR | VT-2003 | a\\|b\\|\\|c |\n"));
}

TEST(DebugLog, TheEntryAfterTheCapacityDropsTheOldest) {
    DebugLog log;
    for (int i = 1; i <= DebugLog::capacity + 1; ++i)
        log.log(QStringLiteral("INFO"), VtCode::stateTransition, QString::number(i));

    ASSERT_EQ(log.entries().size(), DebugLog::capacity);
    EXPECT_EQ(log.entries().front().detail, QStringLiteral("2"));
    EXPECT_EQ(log.entries().back().detail, QString::number(DebugLog::capacity + 1));
}

// A worker's entries wait for the main queue, and one handed to a log that is
// gone by then is dropped rather than written into freed memory.
TEST(DebugLog, BackgroundEntriesArriveOnlyWhenTheMainQueueRuns) {
    auto doomed = std::make_unique<DebugLog>();
    DebugLog log;
    QDateTime loggedBy;
    std::thread([&] {
        doomed->log(QStringLiteral("INFO"), VtCode::nodeRecovered, QString());
        log.log(QStringLiteral("ERROR"), VtCode::transportFailed, QStringLiteral("first"));
        log.log(QStringLiteral("ERROR"), VtCode::transportFailed, QStringLiteral("second"));
        loggedBy = QDateTime::currentDateTime();
    }).join();
    doomed.reset();
    EXPECT_TRUE(log.entries().isEmpty());

    ASSERT_TRUE(waitUntil([&] { return log.entries().size() == 2; }));
    EXPECT_EQ(log.entries().at(0).detail, QStringLiteral("first"));
    // Stamped when logged, not when it reached the main thread.
    EXPECT_LE(log.entries().at(1).timestamp, loggedBy);
}

} // namespace
