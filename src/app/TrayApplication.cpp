#include "app/TrayApplication.h"

#include "BuildInfo.h"
#include "app/DemoProfile.h"
#include "app/MissingTrayNotice.h"
#include "app/ShellWindows.h"
#include "app/UninstallWipe.h"
#include "display/FloatingSignalState.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "platform/LinuxComputerReaders.h"
#include "router/keyring/RouterCredentials.h"
#include "router/ssh/PrivateRuntimeDirectory.h"
#include "router/ssh/SshLeftovers.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr auto notchCheckDelay = std::chrono::seconds(3);
// Quitting takes at most two seconds, whatever the router side is doing; the
// rest of that is for the destructors.
constexpr auto backgroundWorkDeadline = std::chrono::milliseconds(1500);

} // namespace

TrayApplication::TrayApplication(MonitorPlatform platform, SignalHistory& history, bool demo, QObject* parent)
    : QObject(parent)
    , demoMode(demo)
    , credentials(platform.credentials)
    , router(platform.router)
    , menu(SettingsStore::shared())
    , statusItem(menu.menu())
    , history(history)
    , monitor(MonitorContext{SettingsStore::shared(), router, platform.link, platform.networkEvents,
                             demo ? static_cast<StatusItem&>(demoStatusItem) : statusItem, menu, soundPlayer,
                             clock, SessionLog::shared(), FloatingSignalState::shared(),
                             EventLogger::shared()})
    , desktopNotifier(
          QDBusConnection::sessionBus(),
          [this](const QString& summary, const QString& body) { statusItem.showMessage(summary, body); })
    , notifier(demo ? static_cast<DesktopNotifier&>(demoNotifier) : desktopNotifier)
    , desktopNotifications(SettingsStore::shared(), monitor.alertManager(), clock, notifier)
    , reconnection(SettingsStore::shared(), credentials, router, router, SessionLog::shared())
    , settingsWatcher(SettingsStore::shared(), EventLogger::shared())
    , delegate(SettingsStore::shared(), SessionLog::shared(), EventLogger::shared(), *this,
               QString::fromLatin1(BuildInfo::buildNumber))
    , routerConnection(SettingsStore::shared(), credentials, router, router, SessionLog::shared(),
                       [this](const QString& address, DetectionCompletion answer) {
                           router.detectRouterType(address, std::move(answer));
                       })
    , computerChecklist(
          linuxComputerReaders(), platform.link, [this] { return cameraAddresses(); },
          [this](const QString& ip) { return static_cast<const RouterService&>(router).isOnLocalSubnet(ip); },
          *QThreadPool::globalInstance()) {
    connectMenu();
    connectDesktopNotifications();
    connectSignalHistory();
    if (demo) {
        QMenu* root = menu.menu();
        auto* line = new QAction(demoLabelled(QStringLiteral("two scripted cameras, nothing is sent")), root);
        line->setEnabled(false);
        root->insertAction(root->actions().value(0), line);
    }
    connect(&termination, &TerminationSignals::terminationRequested, this, &TrayApplication::quit);
    // A session-save request is not a quit: the session may go on (a saved
    // session, a cancelled logout). Logging out ends the program by SIGTERM or
    // the session manager's quit, both of which come through quit(). Nothing
    // needs saving: the session log and the settings are on disk.
    connect(qGuiApp, &QGuiApplication::aboutToQuit, this, &TrayApplication::quit);
    qGuiApp->installEventFilter(this);
    connect(&settingsWatcher, &SettingsFileWatcher::changed, this, &TrayApplication::followSettings);
    connect(&statusItem, &TrayStatusItem::traySearchFinished, this, [this](bool available) {
        traySearchDone = true;
        trayFound = available;
    });
}

void TrayApplication::connectMenu() {
    connect(&menu, &MenuManager::snoozeRequested, this, [this](TargetSlot slot, int minutes) {
        monitor.alertManager().snooze(slot, minutes);
        monitor.updateAlertMenuItems();
    });
    connect(&menu, &MenuManager::disableRequested, this, [this](TargetSlot slot) {
        monitor.alertManager().disable(slot);
        monitor.updateAlertMenuItems();
    });
    connect(&menu, &MenuManager::enableRequested, this,
            [this](TargetSlot slot) { monitor.reEnableAlerts(slot); });
    connect(&menu, &MenuManager::sessionLogRequested, this, [this] { open(ShellRequest::sessionLog); });
    connect(&menu, &MenuManager::signalHistoryRequested, this, [this] { open(ShellRequest::signalHistory); });
    connect(&menu, &MenuManager::debugLogRequested, this, [this] {
        if (windows)
            windows->openDebugLog();
    });
    connect(&menu, &MenuManager::checkForUpdatesRequested, this, [this] {
        if (updater)
            updater->checkForUpdates();
    });
    connect(&menu, &MenuManager::preferencesRequested, this, [this] { open(ShellRequest::preferences); });
    connect(&menu, &MenuManager::quitRequested, this, &TrayApplication::quit);
}

void TrayApplication::connectDesktopNotifications() {
    for (const TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        TargetMonitor& target = monitor.target(slot);
        connect(&target, &TargetMonitor::stateEntered, this, [this, slot, &target](SignalState state) {
            desktopNotifications.stateEntered(slot, state, target.deviceName());
        });
    }
    NotificationCenter::shared().observe(
        NotificationName::routerBecameUnreachable, this,
        [this](std::optional<bool>) { desktopNotifications.routerBecameUnreachable(); });
}

void TrayApplication::connectSignalHistory() {
    connect(&monitor, &WiFiMonitor::readingTaken, &history, &SignalHistory::record);
    NotificationCenter::shared().observe(NotificationName::routerBecameUnreachable, &history,
                                         [this](std::optional<bool>) { history.routerBecameUnreachable(); });
    NotificationCenter::shared().observe(NotificationName::routerRecovered, &history,
                                         [this](std::optional<bool>) { history.routerRecovered(); });
    connect(&history, &SignalHistory::recordingStopped, this, [this](const QString& reason) {
        SessionLog::shared().logHistoryStopped(reason);
        menu.showHistoryStopped(reason);
    });
}

void TrayApplication::setWindows(ShellWindows* shellWindows) {
    windows = shellWindows;
}

void TrayApplication::start() {
    delegate.applicationDidFinishLaunching();
}

void TrayApplication::sayBesideRunningCopy() {
    QMenu* root = menu.menu();
    auto* line = new QAction(demoLabelled(QStringLiteral("beside your running Veltrano")), root);
    line->setEnabled(false);
    root->insertAction(root->actions().value(0), line);
}

void TrayApplication::open(ShellRequest request, const QByteArray& activationToken) {
    if (!windows)
        return;
    // Qt's Wayland backend raises the next window with this token and then
    // unsets it. Its X11 backend reads a startup id only at launch, so there
    // the window asks to be raised without it and the token goes again at
    // once, before any child process could inherit it.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    switch (request) {
    case ShellRequest::preferences:
        windows->openPreferences(*this);
        break;
    case ShellRequest::sessionLog:
        windows->openSessionLog();
        break;
    case ShellRequest::signalHistory:
        windows->openSignalHistory();
        break;
    case ShellRequest::activate:
        // Without a tray the floating window is the way in, and carries the menu.
        if (traySearchDone && !trayFound)
            windows->showFloatingWindow();
        else
            windows->openPreferences(*this);
        break;
    }
    if (!QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        qunsetenv("XDG_ACTIVATION_TOKEN");
}

UninstallWipe::Report TrayApplication::wipeAllData() {
    // A poll or a launch reconnection after the wipe would write the settings
    // and the session log again, and a window told by the watcher that its setting went with the
    // file would write it back; only quitting follows, so both stop here. The
    // keyring is asked on the main thread as at launch: the store never
    // prompts, so it answers at once.
    monitor.stop();
    settingsWatcher.stop();
    reconnection.cancel();
    dataWiped = true;
    return UninstallWipe::wipeAllData(SettingsStore::shared(), credentials,
                                      SessionLog::shared().persistURL().value_or(QString()));
}

void TrayApplication::snoozeAll(int minutes) {
    monitor.snoozeAll(minutes);
}

void TrayApplication::resetAllBandwidthStats() {
    monitor.resetAllBandwidthStats();
}

void TrayApplication::showSplash() {
    if (windows)
        windows->showSplash();
}

bool TrayApplication::runCredentialMigrations() {
    // The store never prompts, so a locked or missing keyring answers at once.
    return RouterCredentials::runLaunchMigrations(SettingsStore::shared(), credentials);
}

void TrayApplication::autoConnect() {
    reconnection.start();
}

void TrayApplication::startUpdater() {
    updater = new UpdateChecker(demoMode, this);
}

void TrayApplication::showStatusItem() {
    statusItem.show();
    QTimer::singleShot(notchCheckDelay, this, &TrayApplication::checkNotch);
}

void TrayApplication::startMonitor() {
    monitor.start();
}

void TrayApplication::installObservers() {
    NotificationCenter& center = NotificationCenter::shared();
    center.observe(NotificationName::floatingWindowToggled, this, [this](std::optional<bool> enabled) {
        if (!windows)
            return;
        if (enabled.value_or(false))
            windows->showFloatingWindow();
        else
            windows->hideFloatingWindow();
    });
    center.observe(NotificationName::floatingWindowOnTopToggled, this, [this](std::optional<bool> onTop) {
        if (windows)
            windows->setFloatingWindowOnTop(onTop.value_or(false));
    });
    center.observe(NotificationName::settingsWindowOnTopToggled, this, [this](std::optional<bool> onTop) {
        if (windows)
            windows->setSettingsWindowOnTop(onTop.value_or(false));
    });
}

void TrayApplication::showFloatingWindow() {
    if (windows)
        windows->showFloatingWindow();
}

void TrayApplication::subscribeSplitResize() {
    FloatingSignalState& state = FloatingSignalState::shared();
    floatingWindowIsSplit = state.colorB().has_value();
    connect(&state, &FloatingSignalState::changed, this, [this, &state] {
        const bool split = state.colorB().has_value();
        if (split == floatingWindowIsSplit)
            return;
        floatingWindowIsSplit = split;
        if (windows)
            windows->floatingSplitChanged(split);
    });
}

void TrayApplication::showWhatsNew(const QList<WhatsNewEntry>& entries) {
    if (windows)
        windows->showWhatsNew(entries);
}

void TrayApplication::followSettings(const QString& key) {
    if (key == SettingsKey::audioEnabled || key == SettingsKey::audioThreshold) {
        monitor.alertManager().evaluate();
        monitor.updateAlertMenuItems();
        return;
    }
    // The title's style, the slot labels and the developer lines are read at
    // each poll; one now shows them at once. Not after a stop: that would
    // start the work again.
    if (monitor.isPolling())
        monitor.pollTick();
}

bool TrayApplication::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qGuiApp && event->type() == QEvent::Quit && windows)
        windows->closeForQuit();
    return QObject::eventFilter(watched, event);
}

void TrayApplication::quit() {
    if (std::exchange(quitting, true))
        return;
    monitor.stop();
    if (windows)
        windows->closeForQuit();
    // A keyring call that never answers cannot be ended, and the destructors
    // would free what it uses when it does: leave without running them. The
    // session log and the settings are already on disk.
    using namespace std::chrono;
    const auto giveUpAt = steady_clock::now() + backgroundWorkDeadline;
    const auto remaining = [giveUpAt] {
        return std::max(milliseconds(0), duration_cast<milliseconds>(giveUpAt - steady_clock::now()));
    };
    if (!history.endBackgroundWork(remaining()) || !router.endBackgroundWork(remaining()) ||
        !routerConnection.endBackgroundWork(remaining()) || !reconnection.endBackgroundWork(remaining())) {
        // A master start still running may have its password script on disk,
        // which the transports' destructors would have removed.
        SshLeftovers::removeAskpassScripts(PrivateRuntimeDirectory::defaultPath());
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    }
    Q_EMIT finished();
}

void TrayApplication::checkNotch() {
    if (hasWarnedAboutNotch || statusItem.isTrayAvailable())
        return;
    // The panel may still be starting: give the tray search its full time before
    // telling the user anything.
    if (!traySearchDone) {
        connect(
            &statusItem, &TrayStatusItem::traySearchFinished, this,
            [this](bool available) {
                if (!available)
                    warnHidden();
            },
            Qt::SingleShotConnection);
        return;
    }
    if (!trayFound)
        warnHidden();
}

void TrayApplication::warnHidden() {
    if (hasWarnedAboutNotch)
        return;
    hasWarnedAboutNotch = true;
    const MissingTrayNotice notice =
        MissingTrayNotice::forDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    // Whatever the notifications switch says: this is not an alarm but where
    // the program went. Where no notification service answers either, the
    // floating window's title still says it.
    notifier.notify(QStringLiteral("Veltrano may be hidden"), notice.body);
    // Whatever floatingWindowEnabled says: a program that may be sounding alarms
    // must stay reachable.
    if (windows) {
        windows->setFloatingContextMenu(menu.menu());
        windows->setFloatingWindowNote(notice.windowNote);
        windows->showFloatingWindow();
    }
}

QList<CameraAddress> TrayApplication::cameraAddresses() {
    // The demo's cameras are scripted: their addresses lead nowhere of ours.
    if (demoMode)
        return {};
    QList<CameraAddress> cameras;
    for (TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        const TargetMonitor& target = monitor.target(slot);
        if (!target.lastKnownTargetIP().isEmpty())
            cameras.append({target.deviceName(), target.lastKnownTargetIP()});
    }
    return cameras;
}
