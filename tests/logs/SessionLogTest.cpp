#include "logs/SessionLog.h"

#include "FileSizeLimit.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    QList<LogEntry> storedEntries() const {
        return SessionLog::readEntries(path).value_or(QList<LogEntry>{});
    }

    TestEnvironment environment;
    QString path = environment.dataHome() + QStringLiteral("/Veltrano/session_log.json");
    QDateTime now{QDate(2024, 5, 1), QTime(10, 30, 0), Qt::UTC};
};

// Clearing also forgets which state each target last logged, so the next
// reading is logged again.
TEST_F(SessionLogTest, AppendBeyondCapDropsOldestAndClearDeletesTheFile) {
    QList<LogEntry> full;
    for (int index = 0; index < SessionLog::maximumEntries; ++index)
        full.append(stateEntry(index, QString::number(index)));
    writeBytes(path, LogEntry::encodeList(full));

    SessionLog log = makeLog(path);
    log.append(stateEntry(9999, QStringLiteral("newest")));
    ASSERT_EQ(storedEntries().size(), SessionLog::maximumEntries);
    EXPECT_EQ(storedEntries().first().message, QStringLiteral("1"));
    EXPECT_EQ(storedEntries().last().message, QStringLiteral("newest"));

    log.lastStateByPrefix().insert(QStringLiteral("A · "), QStringLiteral("Excellent"));
    log.clear();
    EXPECT_TRUE(log.entries().isEmpty());
    EXPECT_TRUE(log.lastStateByPrefix().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SessionLogTest, UnreadableFileIsMovedAsideIntactThenReplacedByLaunchEntry) {
    const QByteArray original = R"([{"timestamp":1,"state":"Critical","rssi":"-85","message":"bad"}])";
    writeBytes(path, original);

    SessionLog log = makeLog(path);
    const QString aside = path + QStringLiteral(".unreadable-20240501-103000");
    EXPECT_EQ(log.setAsidePath(), aside);
    EXPECT_EQ(readBytes(aside), original);

    log.logAppLaunch();
    EXPECT_EQ(storedEntries().size(), 1) << "only the launch entry";
}

TEST_F(SessionLogTest, UnreadableFileThatCannotBeMovedIsNeverOverwrittenOrDeleted) {
    writeBytes(path, "not json");
    // Something already holds the name the file would be moved to.
    QDir().mkpath(path + QStringLiteral(".unreadable-20240501-103000/occupied"));

    SessionLog log = makeLog(path);
    log.logAppLaunch();
    log.clear();
    EXPECT_EQ(readBytes(path), QByteArray("not json"));
}

// On a full disk the list in memory goes on, the file keeps what it had, and no
// temporary file is left behind.
TEST_F(SessionLogTest, FailedWriteKeepsMemoryListAndPreviousFile) {
    SessionLog log = makeLog(path);
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

// A note is one entry without a reading, anything absent left out; the band
// notice's wording is checked where the target monitor writes it. The history
// names the user's networks and devices, so a file left by an older build with
// wider permissions is narrowed at the next save.
TEST_F(SessionLogTest, NoteIsOneEntryWithoutReadingInAFileForTheUserAlone) {
    writeBytes(path, "[]");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    makeLog(path).logRouterConnected(QStringLiteral("GL-MT6000"), QStringLiteral("192.168.8.1"), QString());
    const QList<LogEntry> expected{{LogEntry::timestampFrom(now), QStringLiteral("—"), std::nullopt,
                                    std::nullopt,
                                    QStringLiteral("Router connected · GL-MT6000 · 192.168.8.1")}};
    EXPECT_EQ(storedEntries(), expected);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SessionLogText, LaunchMessageAndMarkdownExport) {
    EXPECT_EQ(SessionLog::launchMessage(QStringLiteral("Debian GNU/Linux 12"), QStringLiteral("1.1.0"),
                                        QStringLiteral("beta 2"), QStringLiteral("7")),
              QStringLiteral("App launched · Debian GNU/Linux 12 · Veltrano 1.1.0 beta 2 (build 7)"));

    const QDateTime start(QDate(2024, 5, 1), QTime(10, 30, 5, 999), Qt::UTC);
    const QList<LogEntry> entries{{LogEntry::timestampFrom(start), QStringLiteral("Excellent"), -58, 84,
                                   QStringLiteral("A · Signal excellent")},
                                  {LogEntry::timestampFrom(start.addSecs(3600)), QStringLiteral("—"),
                                   std::nullopt, std::nullopt, QStringLiteral("Router · a|b")}};
    EXPECT_EQ(SessionLog::sessionMarkdown(entries, QDateTime(QDate(2024, 5, 1), QTime(12, 0, 1), Qt::UTC)),
              QStringLiteral("# Veltrano Session Log\n\n*Saved: 2024-05-01 12:00:01*\n\n"
                             "| Time | State | Signal | Event |\n|------|-------|--------|-------|\n"
                             "| 10:30:05 | Excellent | -58 dBm | A · Signal excellent |\n"
                             "| 11:30:05 | — | — | Router · a\\|b |\n"));
}

} // namespace
