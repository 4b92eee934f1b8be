#include "app/SettingsStore.h"

#include "FileSizeLimit.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

const QMap<QString, QString> cameraNames = {{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("R5")}};

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
    writeFile(R"({"true": true, "text": "true", "number": 1, "empty": "",
                  "names": {"AA:BB:CC:DD:EE:FF": "R5"}, "mixed": {"A": "R5", "B": 7}})");
    const SettingsStore store(settingsPath());

    EXPECT_TRUE(store.readBool(QStringLiteral("true")));
    for (const char* key : {"text", "number", "absent"})
        EXPECT_FALSE(store.readBool(QString::fromUtf8(key))) << key;
    EXPECT_EQ(store.readString(QStringLiteral("text")), QStringLiteral("true"));
    EXPECT_EQ(store.readString(QStringLiteral("empty")), QString());
    EXPECT_EQ(store.readString(QStringLiteral("true")), std::nullopt);
    EXPECT_EQ(store.readDictionary(QStringLiteral("names")), cameraNames);
    EXPECT_TRUE(store.readDictionary(QStringLiteral("mixed")).isEmpty());
    EXPECT_TRUE(store.readObject(QStringLiteral("number")).has_value());
    EXPECT_FALSE(store.readObject(QStringLiteral("absent")).has_value());
}

TEST_F(SettingsStoreTest, WritesAndRemovalsAreSeenByAnotherWriterMergedAndPersisted) {
    SettingsStore app(settingsPath());
    SettingsStore cli(settingsPath());
    app.writeString(QStringLiteral("routerIP"), QStringLiteral("192.168.8.1"));
    EXPECT_EQ(cli.readString(QStringLiteral("routerIP")), QStringLiteral("192.168.8.1"));
    cli.writeDictionary(QStringLiteral("deviceNameRegistry"), cameraNames);
    EXPECT_EQ(app.readDictionary(QStringLiteral("deviceNameRegistry")), cameraNames);
    app.writeBool(QStringLiteral("audioEnabled"), true);
    cli.remove(QStringLiteral("routerIP"));
    EXPECT_FALSE(app.readString(QStringLiteral("routerIP")));

    EXPECT_EQ(SettingsStore(settingsPath()).keys(),
              (QStringList{QStringLiteral("audioEnabled"), QStringLiteral("deviceNameRegistry")}));
    app.removeAll();
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_TRUE(app.keys().isEmpty());
}

TEST_F(SettingsStoreTest, UnreadableFileAtLaunchIsMovedAsideIntactAndStoreStartsEmpty) {
    const QByteArray damaged = "{\"routerIP\": \"192.168.8.1\", \"targ";
    writeFile(damaged);

    SettingsStore store(settingsPath());
    EXPECT_TRUE(store.keys().isEmpty());
    EXPECT_TRUE(
        QFileInfo(store.setAsidePath()).fileName().startsWith(QStringLiteral("settings.json.unreadable-")));
    EXPECT_EQ(contentOf(store.setAsidePath()), damaged);

    store.writeString(QStringLiteral("monitoringMode"), QStringLiteral("wifi"));
    EXPECT_EQ(SettingsStore(settingsPath()).keys(), QStringList{QStringLiteral("monitoringMode")});
}

// An editor caught half-way through its write must not empty a running program's
// settings; the next write puts them back with the change.
TEST_F(SettingsStoreTest, FileTurningUnreadableWhileRunningKeepsTheLastGoodValues) {
    SettingsStore store(settingsPath());
    store.writeString(QStringLiteral("routerIP"), QStringLiteral("192.168.8.1"));
    store.writeBool(QStringLiteral("audioEnabled"), true);
    const QByteArray halfWritten = "{\n    \"audioEnabled\": tr";
    writeFile(halfWritten);

    EXPECT_EQ(store.readString(QStringLiteral("routerIP")), QStringLiteral("192.168.8.1"));
    EXPECT_TRUE(store.readBool(QStringLiteral("audioEnabled")));
    EXPECT_EQ(contentOf(store.setAsidePath()), halfWritten);

    store.writeString(QStringLiteral("monitoringMode"), QStringLiteral("wifi"));
    const SettingsStore reopened(settingsPath());
    EXPECT_EQ(reopened.readString(QStringLiteral("routerIP")), QStringLiteral("192.168.8.1"));
    EXPECT_TRUE(reopened.readBool(QStringLiteral("audioEnabled")));
    EXPECT_EQ(reopened.readString(QStringLiteral("monitoringMode")), QStringLiteral("wifi"));
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNoKey) {
    SettingsStore shared(settingsPath());
    SettingsStore other(settingsPath());
    constexpr int writesPerThread = 25;
    std::vector<std::thread> writers;
    const std::vector<SettingsStore*> targets = {&shared, &shared, &other};
    for (size_t writer = 0; writer < targets.size(); ++writer) {
        writers.emplace_back([store = targets[writer], writer] {
            for (int i = 0; i < writesPerThread; ++i)
                store->writeBool(QStringLiteral("key-%1-%2").arg(writer).arg(i), true);
        });
    }
    for (std::thread& writer : writers)
        writer.join();

    EXPECT_EQ(SettingsStore(settingsPath()).keys().size(), int(targets.size()) * writesPerThread);
}

// The store writes a temporary file and renames it, never the target itself.
TEST_F(SettingsStoreTest, RefusedWriteKeepsOldFileAndInMemoryValue) {
    SettingsStore store(settingsPath());
    store.writeString(QStringLiteral("targetName"), QStringLiteral("Studio camera"));
    const QByteArray before = contentOf(settingsPath());

    withFileSizeLimit(before.size() + 200, [&] {
        store.writeString(QStringLiteral("detectedModelName"), QString(4000, QLatin1Char('x')));
    });

    EXPECT_EQ(contentOf(settingsPath()), before);
    EXPECT_EQ(store.readString(QStringLiteral("detectedModelName")), QString(4000, QLatin1Char('x')));
    EXPECT_EQ(QDir(QFileInfo(settingsPath()).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

} // namespace
