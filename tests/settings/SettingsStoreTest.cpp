#include "settings/SettingsStore.h"

#include "FileSizeLimit.h"
#include "TestEnvironment.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/RecordingSystemLog.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsFileWatcher.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsWakeUpScope.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QString settingsPath() const { return env.configHome() + QStringLiteral("/Veltrano/settings.json"); }

    void writeFile(const QByteArray& content) const {
        QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static QByteArray contentOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestEnvironment env;
};

// A value of the wrong type reads as absent (or false); presence is the raw value.
TEST_F(SettingsStoreTest, ReadsByTypeWithAbsentAndWrongTypeRules) {
    writeFile(R"({"text": "true", "mixed": {"A": "R5", "B": 7}})");
    const SettingsStore store(settingsPath());

    EXPECT_FALSE(store.readBool(QStringLiteral("text")));
    EXPECT_EQ(store.readString(QStringLiteral("mixed")), std::nullopt);
    EXPECT_TRUE(store.readDictionary(QStringLiteral("mixed")).isEmpty());
    EXPECT_TRUE(store.readObject(QStringLiteral("text")).has_value());
    EXPECT_FALSE(store.readObject(QStringLiteral("absent")).has_value());
}

// The program and veltrano-cli each hold a store over the same file, and the
// program writes from more than one thread: every write merges into the file,
// entries of one dictionary included, and moves the revision others compare.
TEST_F(SettingsStoreTest, WritersOnOtherThreadsAndStoresLoseNoKeyAndSeeRemovals) {
    SettingsStore app(settingsPath());
    SettingsStore cli(settingsPath());
    const auto writeKeys = [](SettingsStore* store, char writer) {
        for (int i = 0; i < 25; ++i) {
            store->writeBool(QStringLiteral("key-%1-%2").arg(writer).arg(i), true);
            store->writeDictionaryEntry(QStringLiteral("names"), QStringLiteral("%1%2").arg(writer).arg(i),
                                        QStringLiteral("R5"));
        }
    };
    const quint64 before = app.revision();
    std::thread a(writeKeys, &app, 'a');
    std::thread b(writeKeys, &app, 'b');
    std::thread c(writeKeys, &cli, 'c');
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(SettingsStore(settingsPath()).keys().size(), 76);
    EXPECT_EQ(app.readDictionary(QStringLiteral("names")).size(), 75);
    EXPECT_NE(app.revision(), before);
    const quint64 settled = app.revision();
    EXPECT_EQ(app.revision(), settled);
    cli.writeDictionaryEntry(QStringLiteral("names"), QStringLiteral("a0"), QString());
    EXPECT_FALSE(app.readDictionary(QStringLiteral("names")).contains(QStringLiteral("a0")));
    EXPECT_NE(app.revision(), settled) << "a write by another process";

    cli.remove(QStringLiteral("key-a-0"));
    EXPECT_FALSE(app.readObject(QStringLiteral("key-a-0")));
    app.removeAll();
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

TEST_F(SettingsStoreTest, UnreadableFileAtLaunchIsMovedAsideIntactAndStoreStartsEmpty) {
    const QByteArray damaged = "{\"routerIP\": \"192.168.8.1\", \"targ";
    writeFile(damaged);

    SettingsStore store(settingsPath());
    EXPECT_TRUE(store.keys().isEmpty());
    EXPECT_TRUE(
        QFileInfo(store.setAsidePath()).fileName().startsWith(QStringLiteral("settings.json.unreadable-")));
    EXPECT_EQ(contentOf(store.setAsidePath()), damaged);
}

// An editor caught half-way through its write must not empty a running program's
// settings; the next write puts them back with the change.
TEST_F(SettingsStoreTest, FileTurningUnreadableWhileRunningKeepsTheLastGoodValues) {
    SettingsStore store(settingsPath());
    store.writeString(QStringLiteral("routerIP"), QStringLiteral("192.168.8.1"));
    const QByteArray halfWritten = "{\n    \"routerIP\": \"19";
    writeFile(halfWritten);

    EXPECT_EQ(store.readString(QStringLiteral("routerIP")), QStringLiteral("192.168.8.1"));
    EXPECT_EQ(contentOf(store.setAsidePath()), halfWritten);

    store.writeString(QStringLiteral("monitoringMode"), QStringLiteral("wifi"));
    EXPECT_EQ(SettingsStore(settingsPath()).keys(),
              (QStringList{QStringLiteral("monitoringMode"), QStringLiteral("routerIP")}));
}

// The store writes a temporary file and renames it, never the target itself.
TEST_F(SettingsStoreTest, RefusedWriteKeepsOldFileAndInMemoryValue) {
    SettingsStore store(settingsPath());
    store.writeString(QStringLiteral("targetName"), QStringLiteral("Studio camera"));
    const QByteArray before = contentOf(settingsPath());

    const QString large(4000, QLatin1Char('x'));
    withFileSizeLimit(before.size() + 200,
                      [&] { store.writeString(QStringLiteral("detectedModelName"), large); });

    EXPECT_EQ(contentOf(settingsPath()), before);
    EXPECT_EQ(store.readString(QStringLiteral("detectedModelName")), large);
    EXPECT_EQ(QDir(QFileInfo(settingsPath()).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

// veltrano-cli writes `debugLogging` in its own process; the running program's
// menu hears of it as of the settings window's switch, once per change.
TEST_F(SettingsStoreTest, DebugLoggingWrittenElsewhereIsAnnounced) {
    SettingsStore program(settingsPath());
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger(systemLog, program, debugLog);
    SettingsFileWatcher watcher(program, logger);
    QObject menu;
    QList<bool> heard;
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, &menu,
                                         [&](std::optional<bool> enabled) { heard.append(enabled.value()); });

    SettingsStore cli(settingsPath());
    cli.writeBool(SettingsKey::debugLogging, true);
    ASSERT_TRUE(waitUntil([&] { return !heard.isEmpty(); }));
    cli.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    cli.writeBool(SettingsKey::debugLogging, false);
    ASSERT_TRUE(waitUntil([&] { return heard.size() == 2; }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(heard, (QList<bool>{true, false}));
}

// One wake-up of the event loop looks at the file once however many keys it
// reads, and reads what another process wrote at the next wake-up; a write in
// it still merges into what the other process wrote just before.
TEST_F(SettingsStoreTest, AWakeUpLooksAtTheFileOnceAndAWriteStillMerges) {
    SettingsStore app(settingsPath());
    SettingsStore cli(settingsPath());
    app.writeString(SettingsKey::targetName, QStringLiteral("R5"));
    quint64 checks = 0;
    std::optional<QString> inTheSameWakeUp, atTheNext;
    {
        // Gone with the block: reads after the loop are no wake-up of it.
        const SettingsWakeUpScope wakeUps{app, *QAbstractEventDispatcher::instance()};
        QEventLoop loop;
        QTimer::singleShot(20, [&] {
            const quint64 before = app.fileChecks();
            for (int read = 0; read < 10; ++read)
                app.readString(SettingsKey::targetName);
            checks = app.fileChecks() - before;
            cli.writeString(SettingsKey::targetName, QStringLiteral("Z8"));
            cli.writeString(SettingsKey::targetName2, QStringLiteral("Z9"));
            inTheSameWakeUp = app.readString(SettingsKey::targetName);
            app.writeBool(SettingsKey::audioEnabled, true);
        });
        QTimer::singleShot(60, [&] {
            atTheNext = app.readString(SettingsKey::targetName);
            loop.quit();
        });
        loop.exec();
    }
    EXPECT_EQ(checks, 1U);
    EXPECT_EQ(inTheSameWakeUp, QStringLiteral("R5"));
    EXPECT_EQ(atTheNext, QStringLiteral("Z8"));
    const SettingsStore disk(settingsPath());
    EXPECT_EQ(disk.readString(SettingsKey::targetName2), QStringLiteral("Z9"));
    EXPECT_TRUE(disk.readBool(SettingsKey::audioEnabled));
    // Outside a wake-up every read looks.
    const quint64 before = app.fileChecks();
    app.readString(SettingsKey::targetName);
    app.readString(SettingsKey::targetName);
    EXPECT_EQ(app.fileChecks() - before, 2U);
}

} // namespace
