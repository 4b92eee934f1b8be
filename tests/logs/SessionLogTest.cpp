#include "logs/SessionLog.h"

#include "FileSizeLimit.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

LogEntry stateEntry(double timestamp, const QString& message) {
    return {timestamp, QStringLiteral("Excellent"), -52, 96, message};
}

class SessionLogTest : public ::testing::Test {
protected:
    SessionLog makeLog(const QString& file) const {
        return SessionLog(file, [this] { return now; });
    }
    SessionLog makeLog() const { return makeLog(path); }
    QList<LogEntry> storedEntries() const {
        return LogEntry::decodeList(readBytes(path)).value_or(QList<LogEntry>{});
    }

    TestEnvironment environment;
    QString path = environment.dataHome() + QStringLiteral("/Veltrano/session_log.json");
    QDateTime now{QDate(2024, 5, 1), QTime(10, 30, 0), Qt::UTC};
};

TEST_F(SessionLogTest, AppendBeyondCapDropsOldestInListAndFile) {
    QList<LogEntry> full;
    for (int index = 0; index < SessionLog::maximumEntries; ++index)
        full.append(stateEntry(index, QString::number(index)));
    writeBytes(path, LogEntry::encodeList(full));

    SessionLog log = makeLog();
    ASSERT_EQ(log.entries(), full);
    log.append(stateEntry(9999, QStringLiteral("newest")));

    ASSERT_EQ(log.entries().size(), SessionLog::maximumEntries);
    EXPECT_EQ(log.entries().first().message, QStringLiteral("1"));
    EXPECT_EQ(log.entries().last().message, QStringLiteral("newest"));
    EXPECT_EQ(storedEntries(), log.entries());
}

TEST_F(SessionLogTest, ClearEmptiesListAndSuppressionMapAndDeletesFile) {
    SessionLog log = makeLog();
    EXPECT_TRUE(log.setAsidePath().isEmpty()) << "a missing file is not an error";
    log.lastStateByPrefix().insert(QStringLiteral("A · "), QStringLiteral("Excellent"));
    log.append(stateEntry(1, QStringLiteral("A · Signal excellent")));
    log.clear();
    EXPECT_TRUE(log.entries().isEmpty());
    EXPECT_TRUE(log.lastStateByPrefix().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SessionLogTest, UnreadableFileIsMovedAsideIntactThenReplacedByLaunchEntry) {
    const QByteArray original = R"([{"timestamp":1,"state":"Excellent","rssi":-50,"message":"kept"},)"
                                R"({"timestamp":2,"state":"Critical","rssi":"-85","message":"bad"}])";
    writeBytes(path, original);

    SessionLog log = makeLog();
    EXPECT_TRUE(log.entries().isEmpty());
    const QString aside = path + QStringLiteral(".unreadable-20240501-103000");
    EXPECT_EQ(log.setAsidePath(), aside);

    log.logAppLaunch();
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries()[0].state, QStringLiteral("—"));
    EXPECT_TRUE(log.entries()[0].message.startsWith(QStringLiteral("App launched · ")));
    EXPECT_EQ(storedEntries(), log.entries());
    EXPECT_EQ(readBytes(aside), original);
}

TEST_F(SessionLogTest, UnreadableFileThatCannotBeMovedIsNeverOverwrittenOrDeleted) {
    writeBytes(path, "not json");
    // Something already holds the name the file would be moved to.
    QDir().mkpath(path + QStringLiteral(".unreadable-20240501-103000/occupied"));

    SessionLog log = makeLog();
    log.logAppLaunch();
    EXPECT_EQ(log.entries().size(), 1);
    log.clear();
    EXPECT_EQ(readBytes(path), QByteArray("not json"));
}

TEST_F(SessionLogTest, FailedWritesKeepMemoryListAndPreviousFile) {
    // The folder that should hold the file is a plain file.
    writeBytes(environment.path(QStringLiteral("blocked")), "x");
    SessionLog homeless = makeLog(environment.path(QStringLiteral("blocked/session_log.json")));
    homeless.logRouterDisconnected({}, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(homeless.entries().size(), 1);

    SessionLog log = makeLog();
    log.append(stateEntry(1, QStringLiteral("first")));
    const QByteArray before = readBytes(path);
    withFileSizeLimit(before.size() + 10, [&] {
        log.append(stateEntry(2, QStringLiteral("second, long enough to run past the limit")));
    });

    EXPECT_EQ(log.entries().size(), 2);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("session_log.json")});
}

// Each note is one entry without a reading, stored at once.
TEST_F(SessionLogTest, NotesWriteOneEntryWithoutReading) {
    const QString ip = QStringLiteral("192.168.8.1");
    const QString model = QStringLiteral("GL-MT6000");
    const QString dash = QStringLiteral("—");
    const std::vector<std::tuple<std::function<void(SessionLog&)>, QString, QString>> notes{
        {[&](SessionLog& log) { log.logRouterConnected(model, ip, QStringLiteral("Ethernet 2.5G")); }, dash,
         QStringLiteral("Router connected · GL-MT6000 · 192.168.8.1 · Ethernet 2.5G")},
        {[&](SessionLog& log) { log.logRouterConnected({}, ip, {}); }, dash,
         QStringLiteral("Router connected · 192.168.8.1")},
        {[&](SessionLog& log) { log.logRouterDisconnected(model, ip); }, dash,
         QStringLiteral("Router disconnected · GL-MT6000 · 192.168.8.1")},
        {[](SessionLog& log) {
             log.logBandNotice(QStringLiteral("2.4 GHz"), QStringLiteral("192.168.8.20"));
         },
         QStringLiteral("Critical"), QStringLiteral("Device on 2.4 GHz — limited throughput · 192.168.8.20")},
        {[](SessionLog& log) { log.logBandNotice(QStringLiteral("5 GHz"), {}); }, dash,
         QStringLiteral("Device on 5 GHz")}};
    SessionLog log = makeLog();
    QList<LogEntry> expected;
    for (const auto& [write, state, message] : notes) {
        write(log);
        expected.append({LogEntry::timestampFrom(now), state, {}, {}, message});
    }
    EXPECT_EQ(log.entries(), expected);
    EXPECT_EQ(storedEntries(), expected);
}

// The history names the user's networks and devices; a file left by an older
// build with wider permissions is narrowed at the next save.
TEST_F(SessionLogTest, FileIsForTheUserAlone) {
    writeBytes(path, "[]");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    makeLog().logAppLaunch();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SessionLogLaunchMessageTest, LabelOnlyWhenPresent) {
    const QString os = QStringLiteral("Debian GNU/Linux 12");
    EXPECT_EQ(SessionLog::launchMessage(os, QStringLiteral("1.0.0"), {}, QStringLiteral("26120601")),
              QStringLiteral("App launched · Debian GNU/Linux 12 · Veltrano 1.0.0 (build 26120601)"));
    EXPECT_EQ(
        SessionLog::launchMessage(os, QStringLiteral("1.1.0"), QStringLiteral("beta 2"), QStringLiteral("7")),
        QStringLiteral("App launched · Debian GNU/Linux 12 · Veltrano 1.1.0 beta 2 (build 7)"));
}

TEST(SessionMarkdownTest, ExactExport) {
    const QDateTime start(QDate(2024, 5, 1), QTime(10, 30, 5, 999), Qt::UTC);
    const QList<LogEntry> entries{
        {LogEntry::timestampFrom(start), QStringLiteral("Excellent"), -58, 84,
         QStringLiteral("A · Signal excellent")},
        {LogEntry::timestampFrom(start.addSecs(3600)),
         QStringLiteral("—"),
         {},
         {},
         QStringLiteral("Router · a|b|c")},
    };
    EXPECT_EQ(SessionLog::sessionMarkdown(entries, QDateTime(QDate(2024, 5, 1), QTime(12, 0, 1), Qt::UTC)),
              QStringLiteral("# Veltrano Session Log\n\n*Saved: 2024-05-01 12:00:01*\n\n"
                             "| Time | State | Signal | Event |\n|------|-------|--------|-------|\n"
                             "| 10:30:05 | Excellent | -58 dBm | A · Signal excellent |\n"
                             "| 11:30:05 | — | — | Router · a\\|b\\|c |\n"));
}

} // namespace
