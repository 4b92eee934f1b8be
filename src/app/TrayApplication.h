#pragma once

#include "app/AppDelegate.h"
#include "app/AutoConnect.h"
#include "app/DemoNotifier.h"
#include "app/DemoStatusItem.h"
#include "app/LaunchSteps.h"
#include "app/MonitorPlatform.h"
#include "app/RouterConnectionFlow.h"
#include "app/SettingsWindowActions.h"
#include "app/ShellRequest.h"
#include "app/UpdateChecker.h"
#include "display/MenuManager.h"
#include "display/TrayStatusItem.h"
#include "logs/SignalHistory.h"
#include "monitor/DesktopNotifications.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/LinuxApplicationScripting.h"
#include "platform/LoadedSoundPlayer.h"
#include "platform/TerminationSignals.h"
#include "preflight/CaptureOneManager.h"
#include "preflight/ComputerChecklistModel.h"
#include "preflight/PreflightChecklistModel.h"
#include "router/RouterFront.h"
#include "settings/SettingsFileWatcher.h"
#include "settings/SettingsWakeUpScope.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QPointer>

class ShellWindows;

// The running tray program: the status item with its menu, the monitor loop, the
// shell's windows and the platform pieces they use, wired together. Lives for
// the whole run; AppDelegate brings it up in the launch order. In demo mode
// the tooltip, the menu's first line and the floating window say so.
class TrayApplication : public QObject, private LaunchSteps, private SettingsWindowActions {
    Q_OBJECT
public:
    TrayApplication(MonitorPlatform platform, SignalHistory& history, bool demo, QObject* parent = nullptr);

    // The windows of the shell (splash, floating signal, What's New, logs).
    // Until they are set, the steps that show them do nothing. Before start().
    void setWindows(ShellWindows* shellWindows);
    void start();
    // What a launch with `--preferences` or `--session-log` asks for, this
    // one's own or a later one's, or a later plain launch: the settings window,
    // or the floating window where the desktop has no tray. `activationToken`
    // is the later launch's, to raise the window with. After start().
    void open(ShellRequest request, const QByteArray& activationToken = {});
    // A demo started while the user's own copy runs: the menu's first line
    // says so. Before start().
    void sayBesideRunningCopy();
    // The uninstall wipe ran: what the run keeps in the runtime folder goes too
    // once it has ended.
    bool hasWipedData() const { return dataWiped; }

Q_SIGNALS:
    // "Quit Veltrano", SIGTERM or SIGINT (a logout sends SIGTERM): the monitor
    // has stopped and the router's background work has ended.
    void finished();

protected:
    // Sees the quit Qt starts itself (the session manager's "die"), before Qt
    // closes every window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // LaunchSteps
    void showSplash() override;
    bool runCredentialMigrations() override;
    void autoConnect() override;
    void startUpdater() override;
    void showStatusItem() override;
    void startMonitor() override;
    void installObservers() override;
    void showFloatingWindow() override;
    void subscribeSplitResize() override;
    void showWhatsNew(const QList<WhatsNewEntry>& entries) override;

    // SettingsWindowActions
    RouterConnectionFlow& connectionFlow() override { return routerConnection; }
    ClientListSource& clientList() override { return router; }
    PreflightChecklistModel& preflightModel() override { return preflight; }
    ComputerChecklistModel& computerChecks() override { return computerChecklist; }
    void snoozeAll(int minutes) override;
    void resetAllBandwidthStats() override;
    UninstallWipe::Report wipeAllData() override;
    void quitApplication() override { quit(); }

    void connectMenu();
    void connectDesktopNotifications();
    void connectSignalHistory();
    void followSettings(const QString& key);
    void quit();
    // Linux has no notch; what can hide the item is a desktop without a
    // status-notifier tray, so that is what is checked, once per run.
    void checkNotch();
    void warnHidden();
    // The cameras the router last listed, which the computer checks try.
    QList<CameraAddress> cameraAddresses();

    const bool demoMode;
    SystemClock clock;
    CredentialStore& credentials;
    RouterFront& router;
    LoadedSoundPlayer soundPlayer;
    MenuManager menu;
    TrayStatusItem statusItem;
    DemoStatusItem demoStatusItem{statusItem};
    SignalHistory& history;
    WiFiMonitor monitor;
    FreedesktopNotifier desktopNotifier;
    DemoNotifier demoNotifier{desktopNotifier};
    // The one every notification goes through: the demo's labels its own.
    DesktopNotifier& notifier;
    DesktopNotifications desktopNotifications;
    TerminationSignals termination;
    AutoConnect reconnection;
    SettingsFileWatcher settingsWatcher;
    SettingsWakeUpScope settingsWakeUps{SettingsStore::shared(), *QAbstractEventDispatcher::instance()};
    AppDelegate delegate;
    // The settings window's router connection; the window is the shell's.
    RouterConnectionFlow routerConnection;
    CaptureOneManager captureOne{std::make_shared<LinuxApplicationScripting>(),
                                 *QThreadPool::globalInstance()};
    PreflightChecklistModel preflight{captureOne, clock};
    ComputerChecklistModel computerChecklist;
    QPointer<UpdateChecker> updater;
    ShellWindows* windows = nullptr;
    bool floatingWindowIsSplit = false;
    bool quitting = false;
    bool dataWiped = false;
    bool hasWarnedAboutNotch = false;
    bool trayFound = false;
    bool traySearchDone = false;
};
