#include "app/SettingsStore.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <vector>

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

    QByteArray fileContent() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestEnvironment env;
};

struct StoredValueCase {
    const char* name;
    QByteArray json; // the value stored under "key"; empty for an absent key
    bool asBool;
    std::optional<QString> asString;
    QMap<QString, QString> asDictionary;
};

void PrintTo(const StoredValueCase& row, std::ostream* os) {
    *os << row.name;
}

class StoredValueTest : public SettingsStoreTest, public ::testing::WithParamInterface<StoredValueCase> {};

TEST_P(StoredValueTest, ReadsByTypeWithAbsentAndWrongTypeRules) {
    const StoredValueCase& row = GetParam();
    writeFile(row.json.isEmpty() ? QByteArray("{}") : "{\"key\": " + row.json + "}");
    const SettingsStore store(settingsPath());

    EXPECT_EQ(store.readBool(QStringLiteral("key")), row.asBool);
    EXPECT_EQ(store.readString(QStringLiteral("key")), row.asString);
    EXPECT_EQ(store.readDictionary(QStringLiteral("key")), row.asDictionary);
    EXPECT_EQ(store.readObject(QStringLiteral("key")).has_value(), !row.json.isEmpty());
}

const QMap<QString, QString> cameraNames = {{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("R5")}};

INSTANTIATE_TEST_SUITE_P(
    Rows, StoredValueTest,
    ::testing::Values(
        StoredValueCase{"absent", "", false, std::nullopt, {}},
        StoredValueCase{"storedTrue", "true", true, std::nullopt, {}},
        StoredValueCase{"stringTrueIsNotABoolean", "\"true\"", false, QStringLiteral("true"), {}},
        StoredValueCase{"numberIsNeither", "1", false, std::nullopt, {}},
        StoredValueCase{"emptyStringIsPresent", "\"\"", false, QString(), {}},
        StoredValueCase{"dictionaryOfStrings", "{\"AA:BB:CC:DD:EE:FF\": \"R5\"}", false, std::nullopt,
                        cameraNames},
        StoredValueCase{
            "dictionaryWithNumberReadsEmpty", "{\"A\": \"R5\", \"B\": 7}", false, std::nullopt, {}},
        StoredValueCase{"arrayIsNoDictionary", "[\"R5\"]", false, std::nullopt, {}}),
    [](const auto& info) { return std::string(info.param.name); });

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

    const SettingsStore reopened(settingsPath());
    EXPECT_EQ(reopened.keys(),
              (QStringList{QStringLiteral("audioEnabled"), QStringLiteral("deviceNameRegistry")}));
    EXPECT_TRUE(reopened.readBool(QStringLiteral("audioEnabled")));
    EXPECT_EQ(reopened.readDictionary(QStringLiteral("deviceNameRegistry")), cameraNames);

    app.removeAll();
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_TRUE(app.keys().isEmpty());
}

TEST_F(SettingsStoreTest, UnreadableFileIsMovedAsideIntactAndStoreStartsEmpty) {
    const QByteArray damaged = "{\"routerIP\": \"192.168.8.1\", \"targ";
    writeFile(damaged);

    SettingsStore store(settingsPath());
    EXPECT_TRUE(store.keys().isEmpty());
    ASSERT_FALSE(store.setAsidePath().isEmpty());
    EXPECT_TRUE(
        QFileInfo(store.setAsidePath()).fileName().startsWith(QStringLiteral("settings.json.unreadable-")));
    QFile aside(store.setAsidePath());
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), damaged);

    store.writeString(QStringLiteral("monitoringMode"), QStringLiteral("wifi"));
    EXPECT_EQ(SettingsStore(settingsPath()).readString(QStringLiteral("monitoringMode")),
              QStringLiteral("wifi"));
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

// A write the file system refuses half-way must leave the old file whole: the store
// writes a temporary file and renames it, never the target itself.
TEST_F(SettingsStoreTest, RefusedWriteKeepsOldFileAndInMemoryValue) {
    SettingsStore store(settingsPath());
    store.writeString(QStringLiteral("targetName"), QStringLiteral("Studio camera"));
    const QByteArray before = fileContent();

    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = rlim_t(before.size() + 200);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    store.writeString(QStringLiteral("detectedModelName"), QString(4000, QLatin1Char('x')));
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(fileContent(), before);
    EXPECT_EQ(store.readString(QStringLiteral("detectedModelName")), QString(4000, QLatin1Char('x')));
    EXPECT_EQ(QDir(QFileInfo(settingsPath()).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

} // namespace
