#include "app/DesktopShellWindows.h"
#include "app/InstanceMessages.h"
#include "app/SettingsStore.h"
#include "app/ShellRequest.h"
#include "app/TrayApplication.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/SessionLog.h"
#include "platform/InstanceLock.h"
#include "platform/TerminationSignals.h"

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

    // Qt has taken its own options out of the arguments by now.
    const LaunchArguments arguments = parseLaunchArguments(QApplication::arguments().mid(1));
    if (!arguments.valid) {
        std::fputs(launchUsage, stderr);
        return 2;
    }
    const QString socketPath = InstanceMessages::defaultPath();
    if (arguments.request && InstanceMessages::send(socketPath, *arguments.request))
        return 0;

    const std::optional<InstanceLock> instance = InstanceLock::acquire(InstanceLock::defaultPath());
    if (!instance) {
        std::fputs("veltrano: another copy is already running for this user\n", stderr);
        return 1;
    }
    InstanceMessages messages(socketPath);
    if (!messages.listen())
        std::fputs("veltrano: later launches cannot reach this copy\n", stderr);

    DesktopShellWindows windows(SettingsStore::shared(), FloatingSignalState::shared(), SessionLog::shared(),
                                DebugLog::shared());
    TrayApplication tray;
    tray.setWindows(&windows);
    QObject::connect(&tray, &TrayApplication::finished, &app, &QApplication::quit);
    QObject::connect(&messages, &InstanceMessages::requested, &tray, &TrayApplication::open);
    tray.start();
    if (arguments.request)
        tray.open(*arguments.request);
    return app.exec();
}
