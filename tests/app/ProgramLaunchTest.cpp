#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/SessionLog.h"

#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The program as a desktop session runs it: it comes up, leaves the first-launch
// settings and the launch entry behind, refuses a second copy, and ends cleanly
// on SIGTERM as a logout sends it.
class ProgramLaunchTest : public ::testing::Test {
protected:
    ProgramLaunchTest() {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.configHome());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), env.dataHome());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), env.path(QStringLiteral("runtime")));
    }

    void start(QProcess& program) {
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELTRANO_PATH), {});
        ASSERT_TRUE(program.waitForStarted(10000));
    }

    // The launch entry is the last step before the tray comes up.
    bool waitForLaunchEntries(qsizetype count) {
        return waitUntil(
            [&] {
                const auto entries = SessionLog::readEntries(logPath);
                return entries && entries->size() >= count;
            },
            20000);
    }

    static int terminate(QProcess& program) {
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        if (!program.waitForFinished(10000)) {
            program.kill();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    TestEnvironment env;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString settingsPath = env.configHome() + QStringLiteral("/Veltrano/settings.json");
    const QString logPath = env.dataHome() + QStringLiteral("/Veltrano/session_log.json");
};

TEST_F(ProgramLaunchTest, EachLaunchForgetsTheConnectionKeepsChoicesRefusesASecondCopyAndEndsOnSigterm) {
    SettingsStore settings(settingsPath);
    for (int launch = 1; launch <= 2; ++launch) {
        settings.writeBool(SettingsKey::routerConnected, true);
        settings.writeString(SettingsKey::iconStyle, QStringLiteral("dot"));

        QProcess program;
        start(program);
        ASSERT_TRUE(waitForLaunchEntries(launch));
        EXPECT_EQ(settings.readString(SettingsKey::monitoringMode), QStringLiteral("router"));
        EXPECT_EQ(settings.readObject(SettingsKey::routerConnected), QJsonValue(false));
        EXPECT_EQ(settings.readString(SettingsKey::iconStyle), QStringLiteral("dot"));

        QProcess second;
        start(second);
        ASSERT_TRUE(second.waitForFinished(10000));
        EXPECT_NE(second.exitCode(), 0);
        EXPECT_TRUE(
            QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("already running")));
        EXPECT_EQ(terminate(program), 0);
    }
    const auto entries = SessionLog::readEntries(logPath);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(entries->size(), 2);
    for (const LogEntry& entry : *entries)
        EXPECT_TRUE(entry.message.startsWith(QStringLiteral("App launched · ")))
            << entry.message.toStdString();
}

} // namespace
