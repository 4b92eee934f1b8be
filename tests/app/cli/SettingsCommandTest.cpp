#include "app/cli/SettingsCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsStore.h"

#include <QFile>
#include <QJsonObject>
#include <QJsonValue>
#include <gtest/gtest.h>

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

struct AcceptedCase {
    const char* name;
    QString key;
    QString value;
    std::optional<QJsonValue> stored = std::nullopt; // the value as text when not given
};

void PrintTo(const AcceptedCase& row, std::ostream* os) {
    *os << row.name;
}

class AcceptedValueTest : public SettingsCommandTest, public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(AcceptedValueTest, SetStoresTypedValueAndGetPrintsIt) {
    const AcceptedCase& row = GetParam();
    const CliRun set = run({QStringLiteral("set"), row.key, row.value});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();

    EXPECT_EQ(SettingsStore(settingsPath()).readObject(row.key), row.stored.value_or(QJsonValue(row.value)));
    const CliRun get = run({QStringLiteral("get"), row.key});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, row.value + QLatin1Char('\n'));
}

QJsonValue registry() {
    return QJsonObject{{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("R5 · studio")}};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AcceptedValueTest,
    ::testing::Values(
        AcceptedCase{"booleanTrue", QStringLiteral("audioEnabled"), QStringLiteral("true"), QJsonValue(true)},
        AcceptedCase{"booleanFalse", QStringLiteral("settingsWindowOnTop"), QStringLiteral("false"),
                     QJsonValue(false)},
        AcceptedCase{"allowedIconStyle", QStringLiteral("iconStyle"), QStringLiteral("dot")},
        AcceptedCase{"highestAddress", QStringLiteral("routerIP"), QStringLiteral("255.255.255.255")},
        AcceptedCase{"zeroOctets", QStringLiteral("routerIP"), QStringLiteral("10.0.0.1")},
        AcceptedCase{"emptyAddress", QStringLiteral("routerIP"), QString()},
        AcceptedCase{"mixedCaseMAC", QStringLiteral("targetMAC2"), QStringLiteral("AA:bb:0C:dd:EE:ff")},
        AcceptedCase{"emptyMAC", QStringLiteral("targetMAC"), QString()},
        AcceptedCase{"freeTextWithSpaces", QStringLiteral("targetName"), QStringLiteral("Studio — cam 1")},
        AcceptedCase{"dictionary", QStringLiteral("deviceNameRegistry"),
                     QStringLiteral("{\"AA:BB:CC:DD:EE:FF\":\"R5 · studio\"}"), registry()}),
    [](const auto& info) { return std::string(info.param.name); });

struct RejectedCase {
    const char* name;
    QStringList args;
};

void PrintTo(const RejectedCase& row, std::ostream* os) {
    *os << row.name;
}

class RejectedTest : public SettingsCommandTest, public ::testing::WithParamInterface<RejectedCase> {};

TEST_P(RejectedTest, ExitsTwoWithOneLineAndStoresNothing) {
    const CliRun result = run(GetParam().args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err.count(QLatin1Char('\n')), 1) << result.err.toStdString();
    EXPECT_TRUE(SettingsStore(settingsPath()).keys().isEmpty());
}

QStringList setArgs(const char* key, const char* value) {
    return {QStringLiteral("set"), QString::fromUtf8(key), QString::fromUtf8(value)};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RejectedTest,
    ::testing::Values(RejectedCase{"unknownKey", setArgs("routerPort", "80")},
                      RejectedCase{"yesForBoolean", setArgs("audioEnabled", "yes")},
                      RejectedCase{"unknownIconStyle", setArgs("iconStyle", "bars")},
                      RejectedCase{"octetAbove255", setArgs("routerIP", "192.168.1.256")},
                      RejectedCase{"threeOctets", setArgs("routerIP", "192.168.1")},
                      RejectedCase{"leadingZeroOctet", setArgs("routerIP", "192.168.08.1")},
                      RejectedCase{"trailingSpaceAddress", setArgs("routerIP", "192.168.8.1 ")},
                      RejectedCase{"fiveOctetMAC", setArgs("targetMAC", "aa:bb:cc:dd:ee")},
                      RejectedCase{"dashedMAC", setArgs("targetMAC", "aa-bb-cc-dd-ee-ff")},
                      RejectedCase{"nonHexMAC", setArgs("targetMAC2", "aa:bb:cc:dd:ee:fg")},
                      RejectedCase{"registryWithNumber",
                                   setArgs("deviceNameRegistry", "{\"AA:BB:CC:DD:EE:FF\":5}")},
                      RejectedCase{"registryNotAnObject", setArgs("deviceNameRegistry", "[\"R5\"]")},
                      RejectedCase{"routerPassword", setArgs("routerPassword", "secret")},
                      RejectedCase{"setWithoutValue", {QStringLiteral("set"), QStringLiteral("targetName")}},
                      RejectedCase{"getWithoutKey", {QStringLiteral("get")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsCommandTest, UnknownVerbShowsUsage) {
    const CliRun result = run({QStringLiteral("delete"), QStringLiteral("iconStyle")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Usage: veltrano-cli settings")));
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

TEST_F(SettingsCommandTest, GetOfAbsentKeyPrintsItsDefaultOrExitsOne) {
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

TEST_F(SettingsCommandTest, UnsetRemovesTheKey) {
    store.writeString(QStringLiteral("targetMAC"), QStringLiteral("aa:bb:cc:dd:ee:ff"));
    EXPECT_EQ(run({QStringLiteral("unset"), QStringLiteral("targetMAC")}).exitCode, 0);
    EXPECT_FALSE(SettingsStore(settingsPath()).readObject(QStringLiteral("targetMAC")));
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

    const CliRun rejected = runCli({QStringLiteral("settings"), QStringLiteral("set"),
                                    QStringLiteral("audioEnabled"), QStringLiteral("yes")},
                                   environment);
    EXPECT_EQ(rejected.exitCode, 2);
}

} // namespace
