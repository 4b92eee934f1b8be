#include "app/LaunchDefaults.h"
#include "app/SettingsStore.h"
#include "logs/SessionLog.h"

#include <QApplication>
#include <QTimer>

// For now the program runs the settings part of the launch sequence, writes the
// launch entry of the session log and quits; the tray arrives with the monitor.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltrano"));
    QApplication::setOrganizationDomain(QStringLiteral("brightfold.com"));
    QApplication::setQuitOnLastWindowClosed(false);

    SettingsStore& settings = SettingsStore::shared();
    LaunchDefaults::resetRouterConnected(settings);
    LaunchDefaults::registerAbsentDefaults(settings);
    SessionLog::shared().logAppLaunch();

    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
