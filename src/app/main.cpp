#include "app/LaunchDefaults.h"
#include "app/SettingsStore.h"
#include "app/TrayApplication.h"
#include "logs/SessionLog.h"
#include "platform/InstanceLock.h"
#include "platform/TerminationSignals.h"
#include "router/keyring/RouterCredentials.h"
#include "router/keyring/SecretServiceCredentialStore.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the mask and a
    // SIGTERM waits for the clean quit path instead of killing the process.
    TerminationSignals::blockInThisThread();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltrano"));
    QApplication::setOrganizationDomain(QStringLiteral("brightfold.com"));
    QApplication::setQuitOnLastWindowClosed(false);

    const std::optional<InstanceLock> instance = InstanceLock::acquire(InstanceLock::defaultPath());
    if (!instance) {
        std::fputs("veltrano: another copy is already running for this user\n", stderr);
        return 1;
    }

    SettingsStore& settings = SettingsStore::shared();
    // Moves a password an old build left in the settings file into the keyring.
    // The store never prompts, so a locked or missing keyring answers at once.
    SecretServiceCredentialStore credentials;
    RouterCredentials::runLaunchMigrations(settings, credentials);
    LaunchDefaults::resetRouterConnected(settings);
    LaunchDefaults::registerAbsentDefaults(settings);
    SessionLog::shared().logAppLaunch();

    TrayApplication tray;
    QObject::connect(&tray, &TrayApplication::finished, &app, &QApplication::quit);
    tray.start();
    return app.exec();
}
