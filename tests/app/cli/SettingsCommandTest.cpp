#include "app/cli/SettingsCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QJsonValue>
#include <gtest/gtest.h>
#include <tuple>

namespace {

QStringList setArgs(const char* key, const char* value) {
    return {QStringLiteral("set"), QString::fromUtf8(key), QString::fromUtf8(value)};
}

class SettingsCommandTest : public ::testing::Test {
protected:
    static CliRun run(const QStringList& args, SettingsStore& target) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runSettingsCommand(args, target, out, err); });
    }

    QString settingsPath() const { return env.configHome() + QStringLiteral("/Veltrano/settings.json"); }

    CliRun run(const QStringList& args) { return run(args, store); }

    TestEnvironment env;
    SettingsStore store{settingsPath()};
};

// Each check's edge, one row each side: the first value is stored with its
// type and printed back as given, the second refused with one line.
TEST_F(SettingsCommandTest, SetTakesEachKindOfValueUpToItsEdgeAndGetPrintsIt) {
    const std::vector<std::tuple<const char*, const char*, const char*>> edges{
        {"audioEnabled", "true", "yes"},
        {"iconStyle", "dot", "bars"},
        {"historyDays", "3650", "3651"},
        {"historyDays", "0", "-1"},
        {"routerIP", "255.255.255.255", "192.168.1.256"},
        {"routerIP", "", "192.168.08.1"},
        {"targetMAC", "AA:bb:0C:dd:EE:ff", "aa:bb:cc:dd:ee:fg"},
        {"deviceNameRegistry", "{\"A\":\"R5\"}", "{\"A\":5}"}};
    for (const auto& [key, taken, refused] : edges) {
        SCOPED_TRACE(std::string(key) + " = " + taken + " / " + refused);
        ASSERT_EQ(run(setArgs(key, taken)).exitCode, 0);
        const CliRun refusal = run(setArgs(key, refused));
        EXPECT_EQ(refusal.exitCode, 2);
        EXPECT_EQ(refusal.err.count(QLatin1Char('\n')), 1) << refusal.err.toStdString();
        EXPECT_EQ(run({QStringLiteral("get"), QString::fromUtf8(key)}).out, QString::fromUtf8(taken) + u'\n');
    }
    // An address or MAC with a trailing newline (pasted, or from a script) is
    // no address: the check spans the whole text.
    for (const auto& [key, value] :
         {std::pair("routerIP", "10.0.0.1\n"), std::pair("targetMAC", "aa:bb:cc:dd:ee:ff\n")}) {
        const QString kept = run({QStringLiteral("get"), QString::fromUtf8(key)}).out;
        EXPECT_EQ(run(setArgs(key, value)).exitCode, 2) << key;
        EXPECT_EQ(run({QStringLiteral("get"), QString::fromUtf8(key)}).out, kept);
    }
    const SettingsStore written(settingsPath());
    EXPECT_EQ(written.readObject(QStringLiteral("audioEnabled")), QJsonValue(true));
    EXPECT_EQ(written.readInt(QStringLiteral("historyDays")), 0);
    EXPECT_EQ(written.readDictionary(QStringLiteral("deviceNameRegistry")).value(QStringLiteral("A")),
              QStringLiteral("R5"));
}

TEST_F(SettingsCommandTest, UnknownKeysThePasswordAndMissingValuesAreRefused) {
    for (const QStringList& args : {setArgs("routerPort", "80"), setArgs("routerPassword", "secret"),
                                    QStringList{QStringLiteral("set"), QStringLiteral("targetName")}}) {
        const CliRun result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_TRUE(SettingsStore(settingsPath()).keys().isEmpty());
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

// Get prints a default with a note on standard error; list marks what is not set
// and what the program would ignore.
TEST_F(SettingsCommandTest, UnsetKeysShowTheirDefaultAndWrongTypesAreMarked) {
    store.writeBool(QStringLiteral("settingsWindowOnTop"), false);
    store.writeString(QStringLiteral("audioEnabled"), QStringLiteral("yes"));
    EXPECT_EQ(run({QStringLiteral("unset"), QStringLiteral("settingsWindowOnTop")}).exitCode, 0);
    const CliRun withDefault = run({QStringLiteral("get"), QStringLiteral("settingsWindowOnTop")});
    EXPECT_EQ(withDefault.out, QStringLiteral("true\n"));
    EXPECT_TRUE(withDefault.err.contains(QStringLiteral("not set")));
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("whatsNewLastSeenBuild")}).exitCode, 1);

    const QStringList lines = run({QStringLiteral("list")}).out.split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("settingsWindowOnTop       (not set, default true)")));
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

} // namespace
