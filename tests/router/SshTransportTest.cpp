#include "router/SshTransport.h"

#include "SshTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "router/SpawnedProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

// Stands in for ssh: records what each kind of run was given, answers the
// askpass script the way ssh would, and keeps a "master" until told to exit.
// It finds its folder through its own path, because the master gets a
// replaced environment.
const char fakeSsh[] = R"(#!/bin/sh
here=$(dirname "$0")
if [ "$1" = -M ]; then
    printf '%s\n' "$@" >"$here/master-arguments"
    tr '\0' '\n' </proc/$$/environ >"$here/master-environment"
    "$SSH_ASKPASS" >"$here/askpass-answer"
    echo started >>"$here/master-starts"
    touch "$here/master-up"
    exec sleep 30
fi
if [ "$3" = -O ]; then
    case "$4" in
    check) [ -e "$here/master-up" ]; exit ;;
    exit) rm -f "$here/master-up"; exit 0 ;;
    esac
fi
if [ "$4" = flood ]; then
    head -c 5000000 /dev/zero
    exit 0
fi
printf '%s\n' "$@" >"$here/command-arguments"
tr '\0' '\n' </proc/$$/environ >"$here/command-environment"
printf 'caf\303\251 output\n'
exit 3
)";

QStringList texts(std::initializer_list<QStringView> items) {
    QStringList list;
    for (QStringView item : items)
        list.append(item.toString());
    return list;
}

class SshTransportTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(environment.path(QStringLiteral("bin"))));
        QFile script(environment.path(QStringLiteral("bin/ssh")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(fakeSsh);
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("VELTRANO_SSH", QFile::encodeName(script.fileName()));
    }
    void TearDown() override { qunsetenv("VELTRANO_SSH"); }

    QStringList recorded(const char* name) const {
        QFile file(environment.path(QStringLiteral("bin/") + QLatin1String(name)));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    ThreadSafeRecordingLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    QString runtime = environment.path(QStringLiteral("run"));
    SshLogin login = SshLogin::mainRouter(QStringLiteral("192.0.2.1"));
    const QString password = QStringLiteral("pa'ss %s \\n $HOME");
    const QString home = QStringLiteral("HOME=") + QDir::homePath();
};

TEST_F(SshTransportTest, MasterGetsExactlyItsArgumentsAndEnvironment) {
    SshTransport transport(SshTransport::Kind::mainRouter, logger, runtime);
    ASSERT_TRUE(offMainThread([&] { return transport.ensureMaster(login, password); }));

    const QString socket = runtime + QStringLiteral("/veltrano-ssh-control");
    const QString askpass = runtime + QStringLiteral("/veltrano-askpass.sh");
    EXPECT_EQ(recorded("master-arguments"),
              texts({u"-M", u"-S", socket, u"-o", u"StrictHostKeyChecking=no", u"-o",
                     u"UserKnownHostsFile=/dev/null", u"-o", u"PasswordAuthentication=yes", u"-o",
                     u"NumberOfPasswordPrompts=1", u"-o", u"ConnectTimeout=5", u"-N", u"root@192.0.2.1"}));
    QStringList environmentLines = recorded("master-environment");
    environmentLines.sort();
    EXPECT_EQ(environmentLines,
              texts({u"DISPLAY=:0", home, u"PATH=/usr/bin:/bin", QStringLiteral("SSH_ASKPASS=") + askpass,
                     u"SSH_ASKPASS_REQUIRE=force"}));
    EXPECT_EQ(recorded("askpass-answer"), QStringList{password});
    EXPECT_FALSE(QFileInfo::exists(askpass));
    EXPECT_EQ(systemLog.lines(), texts({u"VT-1002"}));
}

TEST_F(SshTransportTest, CommandRidesOnTheSocketAndKeepsOutputWhateverTheStatus) {
    SshTransport transport(SshTransport::Kind::accessPoint, logger, runtime);
    const SshLogin apLogin{QStringLiteral("admin"), QStringLiteral("192.0.2.7")};
    const std::optional<QString> output =
        offMainThread([&] { return transport.runCommand(apLogin, QStringLiteral("hostapd_cli sta 'x y'")); });

    EXPECT_EQ(output, QStringLiteral("café output\n"));
    EXPECT_EQ(recorded("command-arguments"),
              texts({u"-S", runtime + QStringLiteral("/veltrano-ap-ssh-control"), u"admin@192.0.2.7",
                     u"hostapd_cli sta 'x y'"}));
    QStringList environmentLines = recorded("command-environment");
    environmentLines.sort();
    EXPECT_EQ(environmentLines, texts({home, u"PATH=/usr/bin:/bin"}));
}

TEST_F(SshTransportTest, AFloodingCommandIsCutOffAndReported) {
    SshTransport transport(SshTransport::Kind::mainRouter, logger, runtime);
    EXPECT_EQ(offMainThread([&] { return transport.runCommand(login, QStringLiteral("flood")); }),
              std::nullopt);
    EXPECT_EQ(systemLog.count(QStringLiteral("VT-1005 flood")), 1);
}

// A wedged remote command must not hold its poll for good.
TEST(SpawnedProcessTest, OutputThatNeverEndsMissesItsDeadline) {
    std::optional<SpawnedProcess> child = SpawnedProcess::start(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo partial; exec sleep 30")}, {},
        SpawnedProcess::Output::capture);
    ASSERT_TRUE(child);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(child->readAllOutput(std::chrono::milliseconds(300), 1024), std::nullopt);
    child->stop();
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(SshTransportTest, CallersRacingForADownMasterStartOnlyOne) {
    SshTransport transport(SshTransport::Kind::mainRouter, logger, runtime);
    bool first = false;
    bool second = false;
    std::thread a([&] { first = transport.ensureMaster(login, password); });
    std::thread b([&] { second = transport.ensureMaster(login, password); });
    a.join();
    b.join();
    EXPECT_TRUE(first && second);
    EXPECT_EQ(recorded("master-starts").size(), 1);
}

TEST_F(SshTransportTest, MissingSshFailsEveryRunAndLeavesNoScript) {
    qputenv("VELTRANO_SSH", QFile::encodeName(environment.path(QStringLiteral("bin/absent"))));
    SshTransport transport(SshTransport::Kind::mainRouter, logger, runtime);
    EXPECT_FALSE(offMainThread([&] { return transport.ensureMaster(login, password); }));
    EXPECT_FALSE(QFileInfo::exists(transport.askpassScriptPath()));
    EXPECT_EQ(offMainThread([&] { return transport.runCommand(login, QStringLiteral("true")); }),
              std::nullopt);
    EXPECT_EQ(systemLog.lines(), texts({u"VT-1004", u"VT-1005"}));
}

struct RefusalRow {
    std::string name;
    mode_t runtimeMode;
    SshLogin login;
    QString logged;

    friend void PrintTo(const RefusalRow& row, std::ostream* os) { *os << row.name; }
};

class SshTransportRefusalTest : public SshTransportTest, public testing::WithParamInterface<RefusalRow> {};

TEST_P(SshTransportRefusalTest, WritesNoPasswordAndStartsNothing) {
    ASSERT_EQ(::mkdir(QFile::encodeName(runtime).constData(), 0700), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), GetParam().runtimeMode), 0);
    SshTransport transport(SshTransport::Kind::mainRouter, logger, runtime);

    EXPECT_FALSE(offMainThread([&] { return transport.ensureMaster(GetParam().login, password); }));
    EXPECT_TRUE(recorded("master-starts").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(transport.askpassScriptPath()));
    EXPECT_EQ(systemLog.lines(), QStringList{GetParam().logged.arg(runtime)});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SshTransportRefusalTest,
    testing::Values(RefusalRow{"runtimeOpenToGroup", 0750, SshLogin::mainRouter(QStringLiteral("192.0.2.1")),
                               QStringLiteral("VT-1004 SSH runtime directory %1 is open to group or others")},
                    RefusalRow{"userThatLooksLikeAnOption", 0700,
                               SshLogin{QStringLiteral("-oProxyCommand=touch"), QStringLiteral("192.0.2.7")},
                               QStringLiteral("VT-1004 unusable SSH login -oProxyCommand=touch@192.0.2.7")}),
    [](const testing::TestParamInfo<RefusalRow>& info) { return info.param.name; });

} // namespace
