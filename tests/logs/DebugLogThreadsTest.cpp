#include "TestEnvironment.h"
#include "logs/DebugLog.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

// Entries logged by one thread, in the order it logged them.
QList<int> sequenceOf(const QList<DebugEntry>& entries, QChar thread) {
    QList<int> sequence;
    for (const DebugEntry& entry : entries) {
        if (entry.detail.startsWith(thread))
            sequence.append(entry.detail.mid(1).toInt());
    }
    return sequence;
}

TEST(DebugLogThreads, TwoBusyThreadsLeaveTheNewestEntries) {
    constexpr int perThread = 1500;
    DebugLog log;
    const auto flood = [&log](QChar thread) {
        for (int i = 0; i < perThread; ++i)
            log.log(QStringLiteral("DEBUG"), VtCode::bandwidthSample, thread + QString::number(i));
    };
    std::thread first(flood, QLatin1Char('a'));
    std::thread second(flood, QLatin1Char('b'));
    // The main thread keeps taking entries while the others are still logging.
    waitUntil([&] { return log.entries().size() >= 500; });
    first.join();
    second.join();

    const auto lastOfEach = [&] {
        const QList<int> a = sequenceOf(log.entries(), QLatin1Char('a'));
        const QList<int> b = sequenceOf(log.entries(), QLatin1Char('b'));
        return !a.isEmpty() && a.back() == perThread - 1 && !b.isEmpty() && b.back() == perThread - 1;
    };
    ASSERT_TRUE(waitUntil(lastOfEach));
    ASSERT_EQ(log.entries().size(), DebugLog::capacity);

    // What was dropped is the oldest of each thread: each keeps an unbroken tail.
    for (const QChar thread : {QLatin1Char('a'), QLatin1Char('b')}) {
        const QList<int> kept = sequenceOf(log.entries(), thread);
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(kept[i], perThread - kept.size() + i) << "thread " << thread.toLatin1();
    }
}

} // namespace
