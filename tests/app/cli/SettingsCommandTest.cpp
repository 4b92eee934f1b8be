#include "app/cli/SettingsCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsStore.h"

#include <QFile>
#include <QJsonObject>
#include <QJsonValue>
#include <gtest/gtest.h>
#include <tuple>

namespace {

class SettingsCommandTest : public ::testing::Test {
protected:
    CliRun run(const QStringList& args) { return run(args, store); }
    static CliRun run(const QStringList& args, SettingsStore& target) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runSettingsCommand(args, target, out, err); });
    }

    QString settingsPath() const { return env.configHome() + QStringLiteral("/Veltrano/settings.json"); }

    TestEnvironment env;
    SettingsStore store{settingsPath()};
};

// Each value is stored with its type and printed back as given.
TEST_F(SettingsCommandTest, SetStoresTypedValuesAndGetPrintsThem) {
    const QJsonValue registry =
        QJsonObject{{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("R5 · studio")}};
    const std::vector<std::tuple<QString, QString, QJsonValue>> accepted{
        {QStringLiteral("audioEnabled"), QStringLiteral("true"), QJsonValue(true)},
        {QStringLiteral("settingsWindowOnTop"), QStringLiteral("false"), QJsonValue(false)},
        {QStringLiteral("iconStyle"), QStringLiteral("dot"), QJsonValue(QStringLiteral("dot"))},
        {QStringLiteral("routerIP"), QStringLiteral("255.255.255.255"),
         QJsonValue(QStringLiteral("255.255.255.255"))},
        {QStringLiteral("routerIP"), QString(), QJsonValue(QString())},
        {QStringLiteral("targetMAC2"), QStringLiteral("AA:bb:0C:dd:EE:ff"),
         QJsonValue(QStringLiteral("AA:bb:0C:dd:EE:ff"))},
        {QStringLiteral("targetName"), QStringLiteral("Studio — cam 1"),
         QJsonValue(QStringLiteral("Studio — cam 1"))},
        {QStringLiteral("deviceNameRegistry"), QStringLiteral("{\"AA:BB:CC:DD:EE:FF\":\"R5 · studio\"}"),
         registry}};
    for (const auto& [key, value, stored] : accepted) {
        SCOPED_TRACE(key.toStdString() + " = " + value.toStdString());
        ASSERT_EQ(run({QStringLiteral("set"), key, value}).exitCode, 0);
        EXPECT_EQ(SettingsStore(settingsPath()).readObject(key), stored);
        const CliRun get = run({QStringLiteral("get"), key});
        EXPECT_EQ(get.exitCode, 0);
        EXPECT_EQ(get.out, value + QLatin1Char('\n'));
    }
}

QStringList setArgs(const char* key, const char* value) {
    return {QStringLiteral("set"), QString::fromUtf8(key), QString::fromUtf8(value)};
}

TEST_F(SettingsCommandTest, RefusedInputExitsTwoWithOneLineAndStoresNothing) {
    for (const QStringList& args :
         {setArgs("routerPort", "80"), setArgs("audioEnabled", "yes"), setArgs("iconStyle", "bars"),
          setArgs("routerIP", "192.168.1.256"), setArgs("routerIP", "192.168.1"),
          setArgs("routerIP", "192.168.08.1"), setArgs("routerIP", "192.168.8.1 "),
          setArgs("targetMAC", "aa:bb:cc:dd:ee"), setArgs("targetMAC", "aa-bb-cc-dd-ee-ff"),
          setArgs("targetMAC2", "aa:bb:cc:dd:ee:fg"),
          setArgs("deviceNameRegistry", "{\"AA:BB:CC:DD:EE:FF\":5}"),
          setArgs("deviceNameRegistry", "[\"R5\"]"), setArgs("routerPassword", "secret"),
          QStringList{QStringLiteral("set"), QStringLiteral("targetName")},
          QStringList{QStringLiteral("get")}}) {
        const CliRun result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_EQ(result.err.count(QLatin1Char('\n')), 1) << result.err.toStdString();
    }
    EXPECT_TRUE(SettingsStore(settingsPath()).keys().isEmpty());
    EXPECT_TRUE(run({QStringLiteral("delete"), QStringLiteral("iconStyle")})
                    .err.contains(QStringLiteral("Usage: veltrano-cli settings")));
}

TEST_F(SettingsCommandTest, LegacyRouterPasswordIsNeverPrinted) {
    store.writeString(QStringLiteral("routerPassword"), QStringLiteral("hunter2"));

    const CliRun list = run({QStringLiteral("list")});
    const CliRun get = run({QStringLiteral("get"), QStringLiteral("routerPassword")});
    EXPECT_TRUE(list.out.contains(QStringLiteral("(set, hidden)")));
    EXPECT_EQ(get.exitCode, 0);
    for (const CliRun& result : {list, get})
        EXPECT_FALSE((result.out + result.err).contains(QStringLiteral("hunter2")));
}

TEST_F(SettingsCommandTest, UnsetKeyGetsItsDefaultOrExitsOne) {
    store.writeBool(QStringLiteral("settingsWindowOnTop"), false);
    EXPECT_EQ(run({QStringLiteral("unset"), QStringLiteral("settingsWindowOnTop")}).exitCode, 0);
    const CliRun withDefault = run({QStringLiteral("get"), QStringLiteral("settingsWindowOnTop")});
    EXPECT_EQ(withDefault.exitCode, 0);
    EXPECT_EQ(withDefault.out, QStringLiteral("true\n"));
    EXPECT_TRUE(withDefault.err.contains(QStringLiteral("not set")));

    const CliRun withoutDefault = run({QStringLiteral("get"), QStringLiteral("whatsNewLastSeenBuild")});
    EXPECT_EQ(withoutDefault.exitCode, 1);
    EXPECT_TRUE(withoutDefault.out.isEmpty());
}

TEST_F(SettingsCommandTest, ListShowsEveryKeyStoredOrDefaulted) {
    store.writeString(QStringLiteral("iconStyle"), QStringLiteral("band"));
    store.writeString(QStringLiteral("audioEnabled"), QStringLiteral("yes"));

    const QStringList lines = run({QStringLiteral("list")}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 27);
    EXPECT_TRUE(lines.contains(QStringLiteral("iconStyle                 \"band\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("monitoringMode            (not set, default \"router\")")));
    EXPECT_TRUE(lines.contains(QStringLiteral("whatsNewLastSeenBuild     (not set)")));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("audioEnabled              \"yes\" (wrong type, expected a Boolean)")));
}

TEST_F(SettingsCommandTest, UnsavableChangeIsReportedAsFailure) {
    QFile notADirectory(env.path(QStringLiteral("notADirectory")));
    ASSERT_TRUE(notADirectory.open(QIODevice::WriteOnly));
    SettingsStore unsavable(notADirectory.fileName() + QStringLiteral("/settings.json"));

    const CliRun result =
        run({QStringLiteral("set"), QStringLiteral("showDev"), QStringLiteral("true")}, unsavable);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("could not save")));
}

TEST_F(SettingsCommandTest, RealBinaryWritesTheUsersSettingsFile) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.configHome());
    const CliRun set = runCli({QStringLiteral("settings"), QStringLiteral("set"),
                               QStringLiteral("monitoringMode"), QStringLiteral("wifi")},
                              environment);
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(store.readString(QStringLiteral("monitoringMode")), QStringLiteral("wifi"));
}

} // namespace
