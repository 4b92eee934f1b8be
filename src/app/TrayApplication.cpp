#include "app/TrayApplication.h"

#include "app/SettingsStore.h"
#include "display/FloatingSignalState.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr auto notchCheckDelay = std::chrono::seconds(3);
// Quitting takes at most two seconds, whatever the router side is doing; the
// rest of that is for the destructors.
constexpr auto backgroundWorkDeadline = std::chrono::milliseconds(1500);

} // namespace

TrayApplication::TrayApplication(QObject* parent)
    : QObject(parent)
    , link(EventLogger::shared())
    , gateways(link)
    , router(SettingsStore::shared(), credentials, EventLogger::shared(), gateways)
    , networkEvents(EventLogger::shared())
    , menu(SettingsStore::shared())
    , statusItem(menu.menu())
    , monitor(MonitorContext{SettingsStore::shared(), router, link, networkEvents, statusItem, menu,
                             soundPlayer, clock, SessionLog::shared(), FloatingSignalState::shared(),
                             EventLogger::shared()}) {
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
    connect(&menu, &MenuManager::quitRequested, this, &TrayApplication::quit);
    connect(&termination, &TerminationSignals::terminationRequested, this, &TrayApplication::quit);
    connect(&statusItem, &TrayStatusItem::traySearchFinished, this, [this](bool available) {
        traySearchDone = true;
        trayFound = available;
    });
}

void TrayApplication::start() {
    statusItem.show();
    monitor.start();
    QTimer::singleShot(notchCheckDelay, this, &TrayApplication::checkNotch);
}

void TrayApplication::quit() {
    monitor.stop();
    // A keyring call that never answers cannot be ended, and the destructors
    // would free what it uses when it does: leave without running them. The
    // session log and the settings are already on disk.
    if (!router.endBackgroundWork(backgroundWorkDeadline)) {
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
    // Opened, not executed: a nested event loop would hold up the monitor's timers.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Veltrano"),
                                QStringLiteral("Veltrano may be hidden"), QMessageBox::Ok);
    box->setInformativeText(QStringLiteral(
        "This desktop shows no system tray (status notifier area), so Veltrano's status item cannot "
        "appear. On GNOME, enable an AppIndicator / StatusNotifier extension such as \"AppIndicator and "
        "KStatusNotifierItem Support\", then start Veltrano again."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
