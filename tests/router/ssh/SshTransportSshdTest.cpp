// Runs the transport against a real OpenSSH server, for what only a real ssh
// shows: it honours the host-key options against a key it has never seen,
// takes the password from the askpass script alone, and carries commands on
// the master's login. run-with-sshd.sh provides the private namespaces, the
// server configuration and a throwaway shadow file.
#include "SshTestSupport.h"
#include "settings/SettingsKeys.h"
#include "router/ssh/RemoteShell.h"
#include "router/ssh/SshTransport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <atomic>
#include <crypt.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Rewritten in place: the file is bind-mounted over /etc/shadow.
void setRootPassword(const QString& password) {
    QFile shadow(qEnvironmentVariable("VELTRANO_TEST_SHADOW"));
    ASSERT_TRUE(shadow.open(QIODevice::ReadWrite));
    QList<QByteArray> lines = shadow.readAll().split('\n');
    for (QByteArray& line : lines) {
        QList<QByteArray> fields = line.split(':');
        if (fields.size() > 1 && fields[0] == "root") {
            fields[1] = crypt(password.toUtf8().constData(), "$6$veltranotest$");
            line = fields.join(':');
        }
    }
    shadow.resize(0);
    shadow.seek(0);
    shadow.write(lines.join('\n'));
}

// True once any process's arguments or environment held `secret` while it ran.
bool watchForSecret(const QByteArray& secret, const std::atomic<bool>& done) {
    bool seen = false;
    while (!done) {
        for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs))
            for (const char* part : {"cmdline", "environ"}) {
                QFile file(u"/proc/%1/%2"_s.arg(entry, QLatin1String(part)));
                seen |=
                    entry.toLongLong() && file.open(QIODevice::ReadOnly) && file.readAll().contains(secret);
            }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return seen;
}

class SshdTest : public TransportTest {};

TEST_F(SshdTest, OnlyTheRightPasswordBringsUpAMasterAndItLeavesNoTrace) {
    const QString configPath = qEnvironmentVariable("VELTRANO_TEST_SSHD_CONFIG");
    if (configPath.isEmpty())
        GTEST_SKIP() << "needs run-with-sshd.sh";
    settings.writeBool(SettingsKey::debugLogging, true);
    SshTransport transport{SshTransport::Kind::mainRouter, logger, identities, children, runtime};
    using enum SshTransport::MasterStart;
    const SshLogin root = SshLogin::mainRouter(u"127.0.0.1"_s);
    // Quoting has its own tests, character by character; this takes the awkward
    // cases through ssh itself.
    const QString password = u" it's '\"%s\\n\\$(id)`id` \u00fc\u2014 "_s;
    setRootPassword(password);
    QProcess sshd;
    QByteArray sshdLog;
    const auto startSshd = [&] {
        sshdLog.clear();
        sshd.start(u"/usr/sbin/sshd"_s, {u"-D"_s, u"-e"_s, u"-f"_s, configPath});
        return waitUntil(
            [&] { return sshdLog.append(sshd.readAllStandardError()).contains("Server listening"); });
    };
    ASSERT_TRUE(startSshd()) << sshdLog.constData();

    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(offMainThread([&] { return transport.ensureMaster(root, u"wrong"_s); }), passwordRefused);
    EXPECT_LT(elapsed.elapsed(), 7000);
    EXPECT_EQ(systemLog.lines(), QStringList{u"VT-1003"_s});
    EXPECT_FALSE(QFileInfo::exists(transport.controlSocketPath(root)));

    std::atomic<bool> done = false;
    std::future<bool> sawSecret =
        std::async(std::launch::async, watchForSecret, password.toUtf8(), std::cref(done));
    EXPECT_EQ(offMainThread([&] { return transport.ensureMaster(root, password); }), up)
        << sshdLog.constData();
    done = true;
    EXPECT_FALSE(sawSecret.get());
    EXPECT_FALSE(QFileInfo::exists(transport.askpassScriptPath()));

    // The server no longer knows the password: only the master's login can carry this.
    setRootPassword(u"changed meanwhile"_s);
    EXPECT_EQ(offMainThread([&] { return transport.ensureMaster(root, password); }), up);
    RemoteShell shell(children, logger, transport);
    ASSERT_TRUE(shell.start(root));
    std::optional<RemoteShell::Answers> answers;
    shell.run({u"echo back"_s}, [&](const RemoteShell::Answers& given) { answers = given; });
    ASSERT_TRUE(waitUntil([&] { return answers.has_value(); }));
    ASSERT_TRUE(*answers);
    EXPECT_EQ((*answers)->at(0).output, "back\n");
    EXPECT_EQ(systemLog.lines().count(u"VT-1002"_s), 1);

    // The password reached no log line and no file but the (deleted) script.
    ASSERT_TRUE(waitUntil([&] { return !debugLog.entries().isEmpty(); }));
    for (const DebugEntry& entry : debugLog.entries())
        EXPECT_FALSE(entry.detail.contains(password));
    EXPECT_FALSE(systemLog.lines().join(u'\n').contains(password));
    QFile settingsFile(settings.filePath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settingsFile.readAll().contains(password.toUtf8()));
    EXPECT_EQ(QDir(runtime).entryList(QDir::Files | QDir::System), QStringList{u"veltrano-ssh-control"_s});

    offMainThread([&] { transport.closeMaster(root); });
    EXPECT_FALSE(QFileInfo::exists(transport.controlSocketPath(root)));
    sshd.kill();
    sshd.waitForFinished();

    // The router is replaced: another host key at the address. ssh refuses it
    // before authenticating, so not even the right password is offered, and
    // the journal hears of it once; forgetting the address lets the new key in.
    const QString hostKey = QFileInfo(configPath).absolutePath() + u"/host_key"_s;
    QProcess keygen;
    keygen.start(u"ssh-keygen"_s, {u"-lf"_s, hostKey + u".pub"_s});
    ASSERT_TRUE(keygen.waitForFinished());
    const RouterIdentity known = identities.identities().value(0);
    EXPECT_EQ(keygen.readAllStandardOutput().split(' ').value(1), known.fingerprint.toUtf8());
    EXPECT_TRUE(known.firstSeen);
    setRootPassword(password);
    QFile::remove(hostKey);
    ASSERT_EQ(QProcess::execute(u"ssh-keygen"_s,
                                {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, u""_s, u"-f"_s, hostKey}),
              0);
    ASSERT_TRUE(startSshd()) << sshdLog.constData();
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(offMainThread([&] { return transport.ensureMaster(root, password); }), hostKeyChanged);
    EXPECT_TRUE(
        waitUntil([&] { return sshdLog.append(sshd.readAllStandardError()).count("[preauth]") == 2; }));
    EXPECT_FALSE(sshdLog.contains("password")) << sshdLog.constData();
    EXPECT_EQ(systemLog.lines().filter(u"VT-2003"_s), QStringList{u"VT-2003 host-key-changed 127.0.0.1"_s});
    identities.forget(u"127.0.0.1"_s);
    EXPECT_EQ(offMainThread([&] { return transport.ensureMaster(root, password); }), up);
    offMainThread([&] { transport.closeMaster(root); });
    sshd.kill();
    sshd.waitForFinished();
}

} // namespace
