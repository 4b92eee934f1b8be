#include "TestEnvironment.h"
#include "logs/SessionLog.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The "Max core file size" line of a running program's limits: soft, then hard.
QStringList coreLimits(qint64 pid) {
    QFile limits(QStringLiteral("/proc/%1/limits").arg(pid));
    if (!limits.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromLatin1(limits.readAll()).split(u'\n'))
        if (line.startsWith(QStringLiteral("Max core file size")))
            return line.mid(26).split(u' ', Qt::SkipEmptyParts).mid(0, 2);
    return {};
}

// The program as a desktop session runs it: it comes up and writes its launch
// entry, takes a plain second launch or a window request as a request to show
// itself, refuses a second copy only when it cannot hear it, and ends
// cleanly on SIGTERM as a logout sends it, within the two seconds a quit may take.
// The floating window Qt closes on the way out stays on for the next launch.
TEST(ProgramLaunchTest, LaunchesOnceAnswersASecondLaunchAndEndsOnSigterm) {
    TestEnvironment env;
    SettingsStore settings(env.configHome() + QStringLiteral("/Veltrano/settings.json"));
    settings.writeBool(SettingsKey::floatingWindowEnabled, true);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.configHome());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), env.dataHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), env.path(QStringLiteral("runtime")));
    // The tray sweeps the temporary folder for leftovers of its own earlier runs.
    environment.insert(QStringLiteral("TMPDIR"), env.path(QStringLiteral("tmp")));
    QDir().mkpath(env.path(QStringLiteral("tmp")));
    const auto start = [&environment](QProcess& program, const QStringList& arguments = {}) {
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELTRANO_PATH), arguments);
        return program.waitForStarted(10000);
    };
    const QString logPath = env.dataHome() + QStringLiteral("/Veltrano/session_log.json");

    QProcess program;
    ASSERT_TRUE(start(program));
    // The launch entry is the last step before the tray comes up.
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto entries = SessionLog::readEntries(logPath);
            return entries && entries->size() == 1;
        },
        20000));
    // Whatever it holds in memory stays out of core files.
    EXPECT_EQ(coreLimits(program.processId()), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));

    for (const auto& [argument, exitCode] :
         {std::pair{"", 0}, std::pair{"--session-log", 0}, std::pair{"--bogus", 2}}) {
        QProcess asking;
        ASSERT_TRUE(start(asking, *argument ? QStringList{QString::fromLatin1(argument)} : QStringList()));
        ASSERT_TRUE(asking.waitForFinished(10000));
        EXPECT_EQ(asking.exitCode(), exitCode) << argument;
    }
    // A running copy that no longer hears later launches still keeps them out.
    ASSERT_TRUE(QFile::remove(env.path(QStringLiteral("runtime/veltrano/instance.socket"))));
    QProcess second;
    ASSERT_TRUE(start(second));
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("already running")));

    QElapsedTimer quitting;
    quitting.start();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    if (!program.waitForFinished(10000))
        program.kill();
    EXPECT_LT(quitting.elapsed(), 2000);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(settings.readBool(SettingsKey::floatingWindowEnabled));
}

} // namespace
