// Runs the transport against a real OpenSSH server. run-with-sshd.sh provides
// the private namespaces, the server configuration and a throwaway shadow file;
// the tests start, kill and restart sshd themselves.
#include "SshTestSupport.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "router/SshTransport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <atomic>
#include <crypt.h>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

const SshLogin rootLogin = SshLogin::mainRouter(QStringLiteral("127.0.0.1"));

// Every process id below `root`, read from /proc.
QList<qint64> processTree(qint64 root) {
    QMultiHash<qint64, qint64> childrenOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!entry.toLongLong() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            childrenOf.insert(fields[1].toLongLong(), entry.toLongLong());
    }
    QList<qint64> tree{root};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += childrenOf.values(tree[i]);
    return tree;
}

// Watches every process's arguments and environment while a connection is made.
class SecretWatch {
public:
    explicit SecretWatch(QByteArray secret)
        : secret(std::move(secret))
        , watcher([this] {
            while (!done) {
                for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                    for (const char* part : {"cmdline", "environ"}) {
                        QFile file(QStringLiteral("/proc/%1/%2").arg(entry, QLatin1String(part)));
                        if (entry.toLongLong() && file.open(QIODevice::ReadOnly) &&
                            file.readAll().contains(this->secret))
                            sawSecret = true;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }) {}
    ~SecretWatch() { finish(); }
    void finish() {
        done = true;
        if (watcher.joinable())
            watcher.join();
    }
    std::atomic<bool> sawSecret = false;

private:
    const QByteArray secret;
    std::atomic<bool> done = false;
    std::thread watcher;
};

class SshdTest : public testing::Test {
protected:
    void SetUp() override {
        if (configPath.isEmpty())
            GTEST_SKIP() << "needs run-with-sshd.sh";
        settings.writeBool(SettingsKey::debugLogging, true);
        setRootPassword(password);
        startSshd();
    }

    void TearDown() override {
        if (!configPath.isEmpty()) {
            offMainThread([&] { mainTransport.closeMaster(rootLogin); });
            killSshd();
        }
    }

    void startSshd() {
        sshd.start(QStringLiteral("/usr/sbin/sshd"),
                   {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), configPath});
        ASSERT_TRUE(waitUntil([&] {
            return sshdLog.append(sshd.readAllStandardError()).contains("Server listening");
        })) << sshdLog.constData();
    }

    // Like a router losing power: the server and every session it serves go.
    void killSshd() {
        for (qint64 pid : processTree(sshd.processId()))
            ::kill(pid_t(pid), SIGKILL);
        sshd.waitForFinished();
    }

    // Rewritten in place: the file is bind-mounted over /etc/shadow.
    void setRootPassword(const QString& value) {
        const char* hash = crypt(value.toUtf8().constData(), "$6$veltranotest$");
        ASSERT_NE(hash, nullptr);
        QFile shadow(qEnvironmentVariable("VELTRANO_TEST_SHADOW"));
        ASSERT_TRUE(shadow.open(QIODevice::ReadWrite));
        QList<QByteArray> lines = shadow.readAll().split('\n');
        for (QByteArray& line : lines) {
            QList<QByteArray> fields = line.split(':');
            if (fields.size() > 1 && fields[0] == "root") {
                fields[1] = hash;
                line = fields.join(':');
            }
        }
        shadow.resize(0);
        shadow.seek(0);
        shadow.write(lines.join('\n'));
    }

    qsizetype logged(const char* line) const { return systemLog.count(QString::fromLatin1(line)); }

    const QString configPath = qEnvironmentVariable("VELTRANO_TEST_SSHD_CONFIG");
    QProcess sshd;
    QByteArray sshdLog;
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    ThreadSafeRecordingLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    QString runtime = environment.path(QStringLiteral("run"));
    SshTransport mainTransport{SshTransport::Kind::mainRouter, logger, runtime};
    // Quoting has its own tests, character by character; this takes the awkward
    // cases through ssh itself.
    const QString password = QStringLiteral(" it's '\"%s\\n\\$(id)`id` \u00fc\u2014 ");
};

// What only a real ssh shows: it honours the host-key options against a key it
// has never seen, and the password is on no command line and in no environment.
TEST_F(SshdTest, RightPasswordBringsUpAMasterThatCommandsRideOn) {
    SecretWatch watch(password.toUtf8());
    ASSERT_TRUE(offMainThread([&] { return mainTransport.ensureMaster(rootLogin, password); }))
        << sshdLog.constData();
    watch.finish();
    EXPECT_FALSE(watch.sawSecret);
    EXPECT_FALSE(QFileInfo::exists(mainTransport.askpassScriptPath()));

    // The server no longer knows the password: only the master's existing login
    // can carry this, and no new start is logged.
    setRootPassword(QStringLiteral("changed meanwhile"));
    EXPECT_TRUE(offMainThread([&] { return mainTransport.ensureMaster(rootLogin, password); }));
    EXPECT_EQ(offMainThread([&] { return mainTransport.runCommand(rootLogin, QStringLiteral("echo back")); }),
              QStringLiteral("back\n"));
    EXPECT_EQ(logged("VT-1002"), 1);

    // The password reached no log line and no file but the (deleted) script.
    ASSERT_TRUE(waitUntil([&] { return !debugLog.entries().isEmpty(); }));
    for (const DebugEntry& entry : debugLog.entries())
        EXPECT_FALSE(entry.detail.contains(password));
    for (const QString& line : systemLog.lines())
        EXPECT_FALSE(line.contains(password));
    QFile settingsFile(settings.filePath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settingsFile.readAll().contains(password.toUtf8()));
    for (const QString& name : QDir(runtime).entryList(QDir::Files | QDir::System))
        EXPECT_TRUE(name.endsWith(QStringLiteral("control"))) << name.toStdString();

    offMainThread([&] { mainTransport.closeMaster(rootLogin); });
    EXPECT_FALSE(QFileInfo::exists(mainTransport.controlSocketPath()));
}

TEST_F(SshdTest, WrongPasswordTimesOutInAboutFiveSeconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(
        offMainThread([&] { return mainTransport.ensureMaster(rootLogin, QStringLiteral("wrong")); }));
    EXPECT_LT(elapsed.elapsed(), 7000);
    EXPECT_EQ(logged("VT-1003"), 1);
    EXPECT_FALSE(QFileInfo::exists(mainTransport.askpassScriptPath()));
    EXPECT_FALSE(QFileInfo::exists(mainTransport.controlSocketPath()));
}

TEST_F(SshdTest, LostServerIsNoticedAndTheNextUseStartsAFreshMaster) {
    ASSERT_TRUE(offMainThread([&] { return mainTransport.ensureMaster(rootLogin, password); }));
    killSshd();
    EXPECT_TRUE(
        waitUntil([&] { return !offMainThread([&] { return mainTransport.isMasterAlive(rootLogin); }); }));

    startSshd();
    ASSERT_TRUE(offMainThread([&] { return mainTransport.ensureMaster(rootLogin, password); }));
    EXPECT_EQ(logged("VT-1002"), 2);
}

} // namespace
