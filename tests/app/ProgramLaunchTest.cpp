#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/SessionLog.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The program as a user starts it: it must come up, leave the first-launch settings
// and the launch entry behind, and quit by itself.
class ProgramLaunchTest : public ::testing::Test {
protected:
    int launchProgram() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.configHome());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), env.dataHome());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VELTRANO_PATH), {});
        if (!program.waitForFinished(20000)) {
            program.kill();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    TestEnvironment env;
};

TEST_F(ProgramLaunchTest, EachLaunchRegistersDefaultsAndAddsOneLaunchEntry) {
    const QString settingsPath = env.configHome() + QStringLiteral("/Veltrano/settings.json");
    const QString logPath = env.dataHome() + QStringLiteral("/Veltrano/session_log.json");

    ASSERT_EQ(launchProgram(), 0);
    SettingsStore settings(settingsPath);
    EXPECT_EQ(settings.readString(SettingsKey::monitoringMode), QStringLiteral("router"));
    EXPECT_EQ(settings.readObject(SettingsKey::routerConnected), QJsonValue(false));

    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeString(SettingsKey::iconStyle, QStringLiteral("dot"));
    ASSERT_EQ(launchProgram(), 0);
    EXPECT_FALSE(settings.readBool(SettingsKey::routerConnected));
    EXPECT_EQ(settings.readString(SettingsKey::iconStyle), QStringLiteral("dot"));

    const auto entries = SessionLog::readEntries(logPath);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 2);
    for (const LogEntry& entry : *entries)
        EXPECT_TRUE(entry.message.startsWith(QStringLiteral("App launched · ")))
            << entry.message.toStdString();
}

} // namespace
