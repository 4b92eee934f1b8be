#include "router/ssh/RemoteShell.h"

#include "SshTestSupport.h"
#include "router/ssh/MasterStartBackoff.h"
#include "router/ssh/RemoteShells.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Answers = RemoteShell::Answers;

// What a /proc/PID/fd entry stands for, such as "pipe:[74856]".
QByteArray openFile(const QString& entry) {
    char target[256];
    const ssize_t length = ::readlink(QFile::encodeName(entry).constData(), target, sizeof target);
    return length < 0 ? QByteArray() : QByteArray(target, length);
}

// Bytes in the pipe that carries the standard output of process `pid` to this
// process, not yet read here; -1 when there is no such pipe.
int bytesWaitingFrom(int pid) {
    const QByteArray theirs = openFile(u"/proc/%1/fd/1"_s.arg(pid));
    const QDir ours(u"/proc/self/fd"_s);
    for (const QString& fd : ours.entryList(QDir::Files | QDir::System)) {
        if (!theirs.startsWith("pipe:") || openFile(ours.filePath(fd)) != theirs)
            continue;
        int waiting = 0;
        if ((::fcntl(fd.toInt(), F_GETFL) & O_ACCMODE) == O_RDONLY &&
            ::ioctl(fd.toInt(), FIONREAD, &waiting) == 0)
            return waiting;
    }
    return -1;
}

class RemoteShellTest : public TransportTest {
protected:
    RemoteShellTest() { ssh.runShellsLocally(); }

    bool start() { return shell.start(login); }
    Answers run(const QStringList& commands) {
        std::optional<Answers> answers;
        shell.run(commands, [&](const Answers& given) { answers = given; });
        waitUntil([&] { return answers.has_value(); }, 15'000);
        return answers.value_or(Answers{});
    }

    FakeSshScript ssh{environment.path(u"bin"_s)};
    SshLogin login = SshLogin::mainRouter(u"192.0.2.1"_s);
    SshTransport transport{SshTransport::Kind::mainRouter, logger, identities, children, runtime};
    std::chrono::steady_clock::time_point clock = std::chrono::steady_clock::now();
    RemoteShell shell{children, logger, transport, [this] { return clock; }};
};

// A frame-shaped line under another marker, bytes that are no text, nothing at
// all: each output comes back whole, with its own status. NUL bytes do not
// survive the far side's gathering (no router answer holds one).
TEST_F(RemoteShellTest, EveryOutputComesBackWholeInOneWrite) {
    ASSERT_TRUE(start());
    const Answers answers =
        run({u"printf 'a\\n0123456789abcdef0123456789abcdef 0\\n} b'"_s,
             u"printf '\\0\\377\\n\\n'; (exit 7)"_s, u"true"_s, u"read line; echo \"[$line]\""_s});
    ASSERT_TRUE(answers);
    ASSERT_EQ(answers->size(), 4);
    EXPECT_EQ(answers->at(0).output, "a\n0123456789abcdef0123456789abcdef 0\n} b");
    EXPECT_EQ(answers->at(1).output, "\377\n\n");
    EXPECT_EQ(answers->at(1).status, 7);
    EXPECT_EQ(answers->at(2).output, QByteArray());
    // Commands read the null device, not the lines that follow them.
    EXPECT_EQ(answers->at(3).output, "[]\n");
    EXPECT_EQ(ssh.shells().size(), 1);
}

// Nothing of a batch's answers reaches this program before its last command is
// done: the batch costs the master and this program one wake-up, not two for
// every command. Looked at in the pipe itself while no event loop drains it
// (the loop runs only while nothing can have been answered yet).
TEST_F(RemoteShellTest, ABatchAnswersInOneWriteWhenItsLastCommandIsDone) {
    ASSERT_TRUE(start());
    const auto file = [&](const QString& name) { return environment.path(name); };
    const auto waitFor = [](const QString& name) {
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(name) && waited.elapsed() < 10'000)
            QThread::msleep(5);
        return QFile::exists(name);
    };
    std::optional<Answers> answers;
    shell.run({u"touch '%1'; while [ ! -e '%2' ]; do sleep 0.01; done; echo first"_s.arg(file(u"started"_s),
                                                                                         file(u"go"_s)),
               u"touch '%1'; while [ ! -e '%2' ]; do sleep 0.01; done; echo second"_s.arg(
                   file(u"running"_s), file(u"release"_s))},
              [&](const Answers& given) { answers = given; });
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(file(u"started"_s)); }));
    QFile(file(u"go"_s)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(waitFor(file(u"running"_s)));
    EXPECT_EQ(bytesWaitingFrom(ssh.shells().value(0).toInt()), 0);
    QFile(file(u"release"_s)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(waitUntil([&] { return answers.has_value(); }));
    ASSERT_TRUE(*answers);
    EXPECT_EQ((*answers)->at(0).output, "first\n");
    EXPECT_EQ((*answers)->at(1).output, "second\n");
}

// A command that never ends holds its batch and the one queued behind it for
// 5 s, then the shell is ended, and the master under it too: the connection
// carries nothing. The next start is not held back and brings one shell, which
// answers.
TEST_F(RemoteShellTest, AWedgedBatchEndsTheShellAndItsMasterAfterItsDeadline) {
    ASSERT_TRUE(start());
    std::optional<Answers> wedged, queued;
    QElapsedTimer timer;
    timer.start();
    shell.run({u"sleep 30"_s}, [&](const Answers& given) { wedged = given; });
    shell.run({u"true"_s}, [&](const Answers& given) { queued = given; });
    ASSERT_TRUE(waitUntil([&] { return queued.has_value(); }, 15'000));
    EXPECT_GE(timer.elapsed(), 4'500);
    EXPECT_LT(timer.elapsed(), 8'000);
    EXPECT_EQ(*wedged, std::nullopt);
    EXPECT_EQ(*queued, std::nullopt);
    EXPECT_FALSE(shell.isRunningFor(login));
    EXPECT_TRUE(waitUntil([&] { return ssh.masterExits() == QStringList{login.target()}; }));

    ASSERT_TRUE(start());
    EXPECT_TRUE(run({u"true"_s}));
    EXPECT_EQ(ssh.shells().size(), 2);
    EXPECT_EQ(systemLog.lines(), QStringList{u"VT-1005 sleep 30"_s});
}

// A shell that dies mid-answer, a master that goes, a flood: none, and the
// shell is down until started again. Shells that end before answering a batch
// are started again only after a pause that doubles; one that answered is not.
TEST_F(RemoteShellTest, ADeadShellOrMasterOrAFloodAnswersNone) {
    ASSERT_TRUE(start());
    EXPECT_EQ(run({u"true"_s, u"printf partial; kill -9 $$"_s}), std::nullopt);

    EXPECT_FALSE(start());
    clock += MasterStartBackoff::firstPause;
    ASSERT_TRUE(start());
    EXPECT_EQ(run({u"yes | head -c 5000000"_s}), std::nullopt);
    clock += MasterStartBackoff::firstPause;
    EXPECT_TRUE(shell.isPaused());
    clock += MasterStartBackoff::firstPause;
    EXPECT_EQ(ssh.shells().size(), 2);

    // Answering from files, the fake's shell ends with its master.
    QFile::remove(environment.path(u"bin/local-shell"_s));
    ssh.acceptPassword(u"pw"_s);
    ASSERT_EQ(offMainThread([&] { return transport.ensureMaster(login, u"pw"_s); }),
              SshTransport::MasterStart::up);
    ASSERT_TRUE(start());
    EXPECT_TRUE(run({u"uptime"_s}));
    ssh.dropMaster();
    EXPECT_EQ(run({u"uptime"_s}), std::nullopt);
    EXPECT_EQ(systemLog.lines(),
              (QStringList{u"VT-1005"_s, u"VT-1005 yes | head -c 5000000"_s, u"VT-1002"_s, u"VT-1005"_s}));

    // Quitting ends a running shell with every other ssh.
    ASSERT_TRUE(start());
    children.endAll();
    EXPECT_TRUE(waitUntil([&] { return !shell.isRunningFor(login); }));
}

// Two targets' batches of one tick run side by side on two shells; a lone batch
// goes to an idle shell, so one target never costs a second one.
TEST_F(RemoteShellTest, TwoBusyBatchesRunSideBySideOnTwoShells) {
    RemoteShells shells{children, logger, transport};
    const auto runOnPick = [&](const QString& command, std::optional<Answers>& answer) {
        RemoteShell& shell = shells.pick(login);
        if (!shell.isRunningFor(login)) {
            ASSERT_TRUE(shell.start(login));
        }
        shell.run({command}, [&](const Answers& given) { answer = given; });
    };
    std::optional<Answers> a, b, later;
    QElapsedTimer timer;
    timer.start();
    runOnPick(u"sleep 1; echo a"_s, a);
    runOnPick(u"sleep 1; echo b"_s, b);
    ASSERT_TRUE(waitUntil([&] { return a && b; }, 5'000));
    EXPECT_LT(timer.elapsed(), 1'900);
    EXPECT_EQ(a->value().at(0).output, "a\n");
    EXPECT_EQ(b->value().at(0).output, "b\n");
    runOnPick(u"true"_s, later);
    ASSERT_TRUE(waitUntil([&] { return later.has_value(); }));
    EXPECT_EQ(ssh.shells().size(), 2);
}

} // namespace
