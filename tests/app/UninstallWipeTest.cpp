#include "app/UninstallWipe.h"

#include "TestEnvironment.h"
#include "logs/SessionLog.h"
#include "platform/LaunchAtLogin.h"
#include "platform/ProgramInstallation.h"
#include "router/MemoryCredentialStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

void writeFile(const QString& path, const QByteArray& content = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

class UninstallWipeTest : public ::testing::Test {
protected:
    UninstallWipeTest() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(env.configHome()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(env.dataHome()));
    }
    ~UninstallWipeTest() override {
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
        qputenv("XDG_DATA_HOME", savedDataHome);
    }

    QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    TestEnvironment env;
};

// The entry starts this very binary, even from a path with spaces, and the state
// reads back from the file both ways.
TEST_F(UninstallWipeTest, LaunchAtLoginRoundTripsThroughTheAutostartEntry) {
    EXPECT_EQ(LaunchAtLogin::entryPath(),
              env.configHome() + QStringLiteral("/autostart/com.brightfold.Veltrano.desktop"));
    EXPECT_FALSE(LaunchAtLogin::isEnabled());
    EXPECT_EQ(LaunchAtLogin::setLaunchAtLogin(true, QStringLiteral("/opt/my apps/veltrano")), std::nullopt);
    EXPECT_TRUE(LaunchAtLogin::isEnabled());
    QFile entry(LaunchAtLogin::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/veltrano\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nX-GNOME-Autostart-enabled=true\n"));
    EXPECT_EQ(LaunchAtLogin::setLaunchAtLogin(false, QString()), std::nullopt);
    EXPECT_FALSE(LaunchAtLogin::isEnabled());
    EXPECT_EQ(LaunchAtLogin::setLaunchAtLogin(false, QString()), std::nullopt);

    // A folder that cannot be made is reported, not swallowed.
    QDir(env.configHome() + QStringLiteral("/autostart")).removeRecursively();
    writeFile(env.configHome() + QStringLiteral("/autostart"));
    EXPECT_NE(LaunchAtLogin::setLaunchAtLogin(true, QStringLiteral("/usr/bin/veltrano")), std::nullopt);
}

// Nothing of the program is left: no file in its folders, no keyring item, no
// autostart entry. A copy the user built goes to the Trash.
TEST_F(UninstallWipeTest, WipeLeavesNothingBehind) {
    SettingsStore settings(env.configHome() + QStringLiteral("/Veltrano/settings.json"));
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    writeFile(env.configHome() + QStringLiteral("/Veltrano/router-identities.json"));
    writeFile(env.configHome() + QStringLiteral("/Veltrano/known_hosts"));
    writeFile(env.configHome() + QStringLiteral("/Veltrano/settings.json.unreadable-20260101"));
    SessionLog log(env.dataHome() + QStringLiteral("/Veltrano/session_log.json"));
    log.logAppLaunch();
    ASSERT_EQ(LaunchAtLogin::setLaunchAtLogin(true, QStringLiteral("/usr/bin/veltrano")), std::nullopt);
    MemoryCredentialStore credentials;
    credentials.items.insert(QStringLiteral("routerPassword_192.168.8.1"), QStringLiteral("a"));
    credentials.items.insert(QStringLiteral("routerPassword"), QStringLiteral("b"));
    writeFile(env.dataHome() + QStringLiteral("/other-program/keep"));

    const UninstallWipe::Report report = UninstallWipe::wipeAllData(settings, credentials, *log.persistURL());
    EXPECT_EQ(report.left, QStringList());
    EXPECT_EQ(UninstallWipe::summary(report),
              QStringLiteral("All settings and credentials have been deleted."));
    EXPECT_EQ(filesUnder(env.configHome()), QStringList());
    EXPECT_EQ(filesUnder(env.dataHome()),
              QStringList{env.dataHome() + QStringLiteral("/other-program/keep")});
    EXPECT_TRUE(credentials.items.isEmpty());

    const QString program = env.path(QStringLiteral("build/veltrano"));
    writeFile(program);
    const ProgramInstallation::Removal removal = ProgramInstallation::moveToTrash(program);
    EXPECT_TRUE(removal.moved) << removal.message.toStdString();
    EXPECT_FALSE(QFile::exists(program));

    // What the run itself kept in the runtime folder goes once it has ended.
    writeFile(env.path(QStringLiteral("run/veltrano.lock")));
    writeFile(env.path(QStringLiteral("run/veltrano/ssh/master.sock")));
    UninstallWipe::removeRuntimeFiles(env.path(QStringLiteral("run/veltrano.lock")),
                                      env.path(QStringLiteral("run/veltrano")));
    EXPECT_EQ(filesUnder(env.path(QStringLiteral("run"))), QStringList());
}

// The last dialog does not claim a clean wipe over what stayed: a locked keyring
// and a session log that cannot be removed are named, and what went too.
TEST_F(UninstallWipeTest, SummaryNamesWhatWasRemovedAndWhatWasNot) {
    SettingsStore settings(env.configHome() + QStringLiteral("/Veltrano/settings.json"));
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    // A folder where the log should be: no file removal takes it, even as root.
    const QString logPath = env.path(QStringLiteral("logs/session_log.json"));
    writeFile(logPath + QStringLiteral("/inside"));
    MemoryCredentialStore credentials;
    credentials.failure = CredentialStatus::collectionLocked;

    EXPECT_EQ(UninstallWipe::summary(UninstallWipe::wipeAllData(settings, credentials, logPath)),
              QStringLiteral("Removed: Launch at Login and settings. Not removed: the router password in the "
                             "keyring (-25308); ") +
                  logPath + u'.');
}

} // namespace
