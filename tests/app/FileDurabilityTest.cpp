#include "logs/HistoryDatabase.h"
#include "logs/HistoryWriter.h"
#include "logs/SessionLog.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <random>

using namespace Qt::StringLiterals;

// The two files the user keeps, against a kill at any moment of a write, a full
// disk and a read-only file system: each holds the old content or the new, is
// never cut short or lost, and a write that cannot happen says why.
namespace {

QString smallDisk() {
    return qEnvironmentVariable("VELTRANO_SMALL_DISK");
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Starts `program` `rounds` times and kills it with SIGKILL at a random moment of
// the time one whole run takes, handing the round to `check` after each kill.
void killAtRandomMoments(const QString& program, const std::function<QStringList(int)>& arguments, int rounds,
                         const std::function<void(int)>& check) {
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(QProcess::execute(program, arguments(0)), 0);
    const qint64 wholeRunUs = clock.nsecsElapsed() / 1000;
    std::mt19937 random(20261207);
    std::uniform_int_distribution<qint64> moment(0, wholeRunUs);
    for (int round = 1; round <= rounds && !::testing::Test::HasFailure(); ++round) {
        QProcess process;
        process.start(program, arguments(round));
        ASSERT_TRUE(process.waitForStarted());
        QThread::usleep(static_cast<unsigned long>(moment(random)));
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished();
        check(round);
    }
}

class FileDurability : public ::testing::Test {
protected:
    void SetUp() override {
        if (smallDisk().isEmpty())
            GTEST_SKIP() << "needs the small private disk of run-with-small-disk.sh";
        root = smallDisk() + QStringLiteral("/round");
        QDir(root).removeRecursively();
        QDir().mkpath(root);
    }

    QStringList leftovers(const QString& folder, const QString& name) const {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        // The lock against other writers (and QLockFile's own stale-lock marker) is no copy.
        names.removeIf(
            [&](const QString& other) { return other == name || other.startsWith(name + u".lock"_s); });
        return names;
    }

    QString root;
};

TEST_F(FileDurability, SettingsHoldTheOldOrTheNewValueWhereverASetIsKilled) {
    const QString cli = QStringLiteral(VELTRANO_CLI_PATH);
    const QString path = root + QStringLiteral("/Veltrano/settings.json");
    // The child processes inherit it.
    qputenv("XDG_CONFIG_HOME", root.toLocal8Bit());
    const auto address = [](int round) {
        return QStringLiteral("10.0.%1.%2").arg(round / 250).arg(round % 250);
    };

    QString before = address(0);
    killAtRandomMoments(
        cli,
        [&](int round) {
            return QStringList{u"settings"_s, u"set"_s, u"routerIP"_s, address(round)};
        },
        1000,
        [&](int round) {
            const QJsonObject settings = QJsonDocument::fromJson(contentOf(path)).object();
            const QString now = settings.value(QStringLiteral("routerIP")).toString();
            ASSERT_TRUE(now == before || now == address(round))
                << "round " << round << ": " << contentOf(path).data();
            // As with the session log, a kill between Qt's link and rename leaves a whole copy.
            const QString folder = root + QStringLiteral("/Veltrano");
            for (const QString& copy : leftovers(folder, QStringLiteral("settings.json")))
                ASSERT_TRUE(QJsonDocument::fromJson(contentOf(folder + u'/' + copy)).isObject())
                    << qPrintable(copy);
            before = now;
        });
}

TEST_F(FileDurability, TheSessionLogHoldsTheOldOrTheNewEntriesWhereverAnAppendIsKilled) {
    const QString path = root + QStringLiteral("/session_log.json");
    qsizetype before = 0;
    killAtRandomMoments(
        QStringLiteral(VELTRANO_SESSION_LOG_WRITER_PATH),
        [&](int) {
            return QStringList{path, u"3"_s};
        },
        1000,
        [&](int round) {
            const std::optional<QList<LogEntry>> entries = SessionLog::readEntries(path);
            ASSERT_TRUE(entries) << "round " << round << " left a file that cannot be read";
            ASSERT_GE(entries->size(), before) << "round " << round;
            // Qt links a finished copy under a temporary name before renaming it
            // over the file; a kill between the two leaves that copy, whole.
            for (const QString& copy : leftovers(root, QStringLiteral("session_log.json")))
                ASSERT_TRUE(SessionLog::readEntries(root + u'/' + copy))
                    << "round " << round << ": " << qPrintable(copy);
            before = entries->size();
        });
}

// The signal history loses at most the batch being written when killed: every
// batch the writer reported committed is there, each one whole, and the file
// opens without being set aside.
TEST_F(FileDurability, TheSignalHistoryKeepsEveryCommittedBatchWhereverAWriteIsKilled) {
    const QString writer = QStringLiteral(VELTRANO_HISTORY_WRITER_PATH);
    // Its write-ahead log alone outgrows the small disk.
    const QTemporaryDir folder;
    std::mt19937 random(20261209);
    std::uniform_int_distribution<unsigned long> moment(0, 300'000);
    for (int round = 0; round < 60 && !HasFailure(); ++round) {
        const QString path = folder.filePath(QStringLiteral("history-%1.sqlite3").arg(round));
        QProcess process;
        process.start(writer, {path, u"2000"_s});
        ASSERT_TRUE(process.waitForStarted());
        QThread::usleep(moment(random));
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished();
        const QList<QByteArray> committed = process.readAllStandardOutput().split('\n');
        const qsizetype batches = committed.size() - 1;

        const HistoryDatabase::Opened opened = HistoryDatabase::open(path);
        ASSERT_TRUE(opened.database) << "round " << round << ": " << qPrintable(opened.error);
        ASSERT_TRUE(opened.setAsidePath.isEmpty()) << "round " << round;
        const qsizetype rows =
            opened.database->snapshot(HistoryWriter::firstMs, HistoryWriter::firstMs + 2000 * 10'000)
                .readings.size();
        ASSERT_EQ(rows % 10, 0) << "round " << round << ": a batch was cut";
        ASSERT_TRUE(rows / 10 == batches || rows / 10 == batches + 1)
            << "round " << round << ": " << rows << " rows after " << batches << " committed batches";
        for (const QString& suffix : {QString(), u"-wal"_s, u"-shm"_s})
            QFile::remove(path + suffix);
    }
}

TEST_F(FileDurability, AFullDiskOrAReadOnlyFileSystemIsReportedAndTheOldFileStays) {
    SettingsStore settings(root + QStringLiteral("/settings.json"));
    ASSERT_EQ(settings.writeString(QStringLiteral("routerIP"), QStringLiteral("10.0.0.1")), std::nullopt);
    SessionLog log(root + QStringLiteral("/session_log.json"));
    log.append({1, QStringLiteral("excellent"), -50, 90, QStringLiteral("Camera")});
    HistoryDatabase::Opened history = HistoryDatabase::open(root + QStringLiteral("/history.sqlite3"));
    ASSERT_TRUE(history.database);
    ASSERT_EQ(history.database->write({HistoryReading{}}, {}), std::nullopt);
    const QByteArray settingsBefore = contentOf(settings.filePath());
    const QByteArray logBefore = contentOf(*log.persistURL());

    QFile filler(root + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(64 * 1024, 'x');
    while (filler.write(block) == block.size()) {
    }
    const QString large(8 * 1024, QLatin1Char('y'));
    EXPECT_EQ(settings.writeString(QStringLiteral("detectedModelName"), large), u"No space left on device"_s);
    log.append({2, QStringLiteral("critical"), -80, 10, large});
    EXPECT_EQ(log.save(), u"No space left on device"_s);
    EXPECT_EQ(contentOf(settings.filePath()), settingsBefore);
    EXPECT_EQ(contentOf(*log.persistURL()), logBefore);
    QList<HistoryReading> readings;
    for (int i = 1; i <= 64; ++i) {
        HistoryReading reading;
        reading.timeMs = i;
        reading.name = large + QString::number(i);
        readings.append(reading);
    }
    EXPECT_TRUE(history.database->write(readings, {}).has_value());
    EXPECT_TRUE(history.database->diskFull());
    EXPECT_EQ(history.database->snapshot(0, 1000).readings.size(), 1);

    filler.remove();
    // A file open for writing keeps the disk from turning read-only.
    history.database.reset();
    ASSERT_EQ(QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,ro"_s, smallDisk()}), 0);
    const std::optional<QString> readOnly =
        settings.writeString(QStringLiteral("routerIP"), QStringLiteral("10.0.0.2"));
    const std::optional<QString> logReadOnly = log.save();
    ASSERT_EQ(QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,rw"_s, smallDisk()}), 0);
    for (const std::optional<QString>& problem : {readOnly, logReadOnly})
        EXPECT_TRUE(problem && problem->endsWith(u"is not writable"_s))
            << qPrintable(problem.value_or(QString()));
    EXPECT_EQ(contentOf(settings.filePath()), settingsBefore);
    EXPECT_EQ(contentOf(*log.persistURL()), logBefore);
}

} // namespace
