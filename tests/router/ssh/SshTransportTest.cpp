#include "router/ssh/SshTransport.h"

#include "SshTestSupport.h"
#include "router/ssh/AskpassScript.h"
#include "router/ssh/PrivateRuntimeDirectory.h"
#include "router/ssh/SpawnedProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class SshTransportTest : public TransportTest {
protected:
    FakeSshScript ssh{environment.path(u"bin"_s)};
    SshLogin login = SshLogin::mainRouter(u"192.0.2.1"_s);
    const QString password = u"pa'ss %s \\n $HOME"_s;
    const QString home = u"HOME="_s + QDir::homePath();
    SshTransport main{SshTransport::Kind::mainRouter, logger, identities, children, runtime};
};

// The password reaches ssh only through the askpass script, which is gone once
// the master is up; callers racing for a down master start only one.
// Neither the user's ssh configuration nor their keys or agent take part.
const QStringList ownSettingsOnly{u"-F"_s, u"/dev/null"_s,         u"-o"_s, u"PubkeyAuthentication=no"_s,
                                  u"-o"_s, u"IdentityAgent=none"_s};

TEST_F(SshTransportTest, MasterGetsExactlyItsArgumentsAndEnvironmentAndStartsOnce) {
    ssh.acceptPassword(password);
    SshTransport::MasterStart first = SshTransport::MasterStart::failed;
    std::thread racer([&] { first = main.ensureMaster(login, password); });
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }),
              SshTransport::MasterStart::up);
    racer.join();
    EXPECT_EQ(first, SshTransport::MasterStart::up);

    const QString askpass = runtime + u"/veltrano-askpass.sh"_s;
    EXPECT_EQ(ssh.recorded("master-arguments"),
              (QStringList{u"-M"_s, u"-S"_s, runtime + u"/veltrano-ssh-control"_s} + ownSettingsOnly +
               QStringList{u"-E"_s, runtime + u"/veltrano-ssh-master.log"_s,
                           u"-o"_s, u"StrictHostKeyChecking=accept-new"_s,
                           u"-o"_s, u"UserKnownHostsFile="_s + identities.knownHostsPath(),
                           u"-o"_s, u"HashKnownHosts=no"_s,
                           u"-o"_s, u"PasswordAuthentication=yes"_s,
                           u"-o"_s, u"NumberOfPasswordPrompts=1"_s,
                           u"-o"_s, u"ConnectTimeout=5"_s,
                           u"-o"_s, u"ServerAliveInterval=5"_s,
                           u"-o"_s, u"ServerAliveCountMax=2"_s,
                           u"-N"_s, u"root@192.0.2.1"_s}));
    EXPECT_EQ(ssh.recorded("master-environment"),
              (QStringList{u"DISPLAY=:0"_s, home, u"PATH=/usr/bin:/bin"_s, u"SSH_ASKPASS="_s + askpass,
                           u"SSH_ASKPASS_REQUIRE=force"_s}));
    EXPECT_EQ(ssh.passwordsHeard(), QStringList{password});
    EXPECT_FALSE(QFileInfo::exists(askpass));
    EXPECT_EQ(systemLog.lines(), QStringList{u"VT-1002"_s});
}

// The remote shell rides on the access point's own socket, with our settings
// only and no way back to a fresh login (its connection would go to `false`)
// or a prompt.
TEST_F(SshTransportTest, RemoteShellRidesOnTheSocketWithOurSettingsOnly) {
    SshTransport ap(SshTransport::Kind::accessPoint, logger, identities, children, runtime);
    EXPECT_EQ(ap.remoteShellArguments({u"admin"_s, u"192.0.2.7"_s}),
              (QStringList{u"-S"_s, runtime + u"/veltrano-ap-ssh-control-192.0.2.7"_s} + ownSettingsOnly +
               QStringList{u"-o"_s, u"ControlMaster=no"_s, u"-o"_s, u"BatchMode=yes"_s, u"-o"_s,
                           u"ProxyCommand=false"_s, u"admin@192.0.2.7"_s, u"sh"_s}));
    EXPECT_EQ(SshTransport::commandEnvironment(), (QStringList{home, u"PATH=/usr/bin:/bin"_s}));
}

// A refused password is told from a router that did not answer: only the
// first cost the router a login, and the back-off treats them apart.
TEST_F(SshTransportTest, TellsARefusedPasswordFromARouterThatDidNotAnswer) {
    using enum SshTransport::MasterStart;
    ssh.acceptPassword(u"other"_s);
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }), passwordRefused);
    ssh.refuseConnections();
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }), failed);
    EXPECT_EQ(systemLog.lines(), (QStringList{u"VT-1003"_s, u"VT-1003"_s}));
}

// A master that answers its socket but carries nothing is down from the moment
// it is condemned (twice, as two shells on it may), closed once on the
// transport's thread, and the next use starts a fresh one.
TEST_F(SshTransportTest, AnEndedMasterIsDownAtOnceAndReplacedByTheNextStart) {
    ssh.acceptPassword(password);
    ASSERT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }),
              SshTransport::MasterStart::up);
    main.endMaster(login);
    main.endMaster(login);
    EXPECT_FALSE(offMainThread([&] { return main.isMasterAlive(login); }));
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }),
              SshTransport::MasterStart::up);
    EXPECT_EQ(ssh.masterExits(), QStringList{login.target()});
    EXPECT_EQ(ssh.masterStarts().size(), 2);
}

// Quitting must not wait for an ssh that never answers: ending the children
// frees a master start stuck on one (which returns only once its child is gone).
TEST_F(SshTransportTest, EndingTheChildrenFreesAStartStuckOnAWedgedSsh) {
    ssh.wedge();
    auto start = std::async(std::launch::async, [&] { return main.ensureMaster(login, password); });
    ASSERT_TRUE(waitUntil([&] { return ssh.wedgedRuns().size() == 1; }));
    children.endAll();
    EXPECT_EQ(start.wait_for(std::chrono::seconds(1)), std::future_status::ready);
}

// Neither a runtime folder others can read, nor a user ssh would take for an
// option, nor a missing ssh gets a password left behind or a master started.
TEST_F(SshTransportTest, RefusalsWriteNoPasswordAndStartNothing) {
    ASSERT_EQ(::mkdir(QFile::encodeName(runtime).constData(), 0750), 0);
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }),
              SshTransport::MasterStart::failed);
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    EXPECT_EQ(offMainThread([&] {
                  return main.ensureMaster({u"-oProxyCommand=touch"_s, u"192.0.2.7"_s}, password);
              }),
              SshTransport::MasterStart::failed);
    EXPECT_TRUE(ssh.masterStarts().isEmpty());
    qputenv("VELTRANO_SSH", QFile::encodeName(environment.path(u"bin/absent"_s)));
    EXPECT_EQ(offMainThread([&] { return main.ensureMaster(login, password); }),
              SshTransport::MasterStart::failed);
    EXPECT_FALSE(QFileInfo::exists(main.askpassScriptPath()));
    EXPECT_EQ(systemLog.lines(),
              (QStringList{u"VT-1004 SSH runtime directory %1 is open to group or others"_s.arg(runtime),
                           u"VT-1004 unusable SSH login -oProxyCommand=touch@192.0.2.7"_s, u"VT-1004"_s}));
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

void makeDirectory(const QByteArray& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

TEST(AskpassScript, PrintsThePasswordExactlyAndIsPrivateFromTheStart) {
    TestEnvironment environment;
    const QString scriptPath = environment.path(u"askpass.sh"_s);
    // Empty, then one of each kind of character a shell or printf would change.
    for (const QString& password : {QString(), u"it's 'quoted'' \"hi\""_s, u"100%s %% a\\nb\\"_s,
                                    u"$HOME $(id) `id` !1"_s, u"  pä —  "_s}) {
        ASSERT_TRUE(AskpassScript::write(scriptPath, password));
        EXPECT_EQ(modeOf(scriptPath), S_IFREG | 0700u);

        // Run as ssh runs it: executed directly, with next to no environment.
        QProcess script;
        script.setProcessEnvironment(QProcessEnvironment());
        script.start(scriptPath, {});
        ASSERT_TRUE(script.waitForFinished(5000));
        EXPECT_EQ(QString::fromUtf8(script.readAllStandardOutput()), password + u'\n');
    }
}

TEST(AskpassScript, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    TestEnvironment environment;
    const QString victim = environment.path(u"victim"_s);
    const QString scriptPath = environment.path(u"askpass.sh"_s);
    ASSERT_TRUE(AskpassScript::write(victim, u"untouched"_s));
    ASSERT_TRUE(QFile::link(victim, scriptPath));
    ASSERT_TRUE(AskpassScript::write(scriptPath, u"secret"_s));
    QFile victimFile(victim);
    ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(victimFile.readAll(), AskpassScript::content(u"untouched"_s));
    EXPECT_FALSE(QFileInfo(scriptPath).isSymLink());
    AskpassScript::remove(scriptPath);
    EXPECT_FALSE(QFileInfo::exists(scriptPath));
}

// One path per status.
TEST(PrivateRuntimeDirectory, AcceptsOnlyOurOwnClosedDirectory) {
    using Status = PrivateRuntimeDirectory::Status;
    TestEnvironment environment;
    const auto prepared = [&](const char* name) {
        return PrivateRuntimeDirectory::prepare(environment.path(QLatin1String(name)));
    };
    const auto encoded = [&](const char* name) {
        return QFile::encodeName(environment.path(QLatin1String(name)));
    };
    EXPECT_EQ(prepared("absent"), Status::usable);
    EXPECT_EQ(modeOf(environment.path(u"absent"_s)) & 07777, 0700u);
    makeDirectory(encoded("open"), 0701);
    EXPECT_EQ(prepared("open"), Status::openToOthers);
    ASSERT_EQ(::symlink(encoded("absent").constData(), encoded("link").constData()), 0);
    EXPECT_EQ(prepared("link"), Status::symbolicLink);
    EXPECT_EQ(prepared("missing/veltrano"), Status::cannotCreate);
    ASSERT_TRUE(AskpassScript::write(environment.path(u"file"_s), u"x"_s));
    EXPECT_EQ(prepared("file"), Status::notADirectory);
    if (::geteuid() == 0) {
        makeDirectory(encoded("theirs"), 0700);
        ASSERT_EQ(::chown(encoded("theirs").constData(), 65534, 65534), 0);
        EXPECT_EQ(prepared("theirs"), Status::ownedByOther);
    }
}

} // namespace
