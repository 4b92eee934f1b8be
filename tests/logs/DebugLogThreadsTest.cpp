#include "TestEnvironment.h"
#include "logs/DebugLog.h"

#include <gtest/gtest.h>
#include <memory>
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

// Workers' entries wait for the main queue; one handed to a log that is gone by
// then is dropped rather than written into freed memory.
TEST(DebugLogThreads, WorkerEntriesArriveOnTheMainQueueAndTheNewestAreKept) {
    constexpr int perThread = 1500;
    DebugLog log;
    auto doomed = std::make_unique<DebugLog>();
    std::thread([&] {
        doomed->log(QStringLiteral("INFO"), VtCode::nodeRecovered, QString());
        log.log(QStringLiteral("INFO"), VtCode::nodeRecovered, QString());
    }).join();
    doomed.reset();
    EXPECT_TRUE(log.entries().isEmpty());

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

    ASSERT_TRUE(waitUntil([&] {
        const QList<int> a = sequenceOf(log.entries(), QLatin1Char('a'));
        const QList<int> b = sequenceOf(log.entries(), QLatin1Char('b'));
        return a.value(a.size() - 1) == perThread - 1 && b.value(b.size() - 1) == perThread - 1;
    }));
    ASSERT_EQ(log.entries().size(), DebugLog::capacity);

    // Past the capacity the oldest go: each thread keeps an unbroken tail.
    for (const QChar thread : {QLatin1Char('a'), QLatin1Char('b')}) {
        const QList<int> kept = sequenceOf(log.entries(), thread);
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(kept[i], perThread - kept.size() + i) << "thread " << thread.toLatin1();
    }
}

} // namespace
