#pragma once

#include "display/MenuManager.h"
#include "display/TrayStatusItem.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NetlinkNetworkEvents.h"
#include "platform/Nl80211WirelessLink.h"
#include "platform/QtSoundPlayer.h"
#include "platform/TerminationSignals.h"
#include "router/RouterManager.h"
#include "router/keyring/SecretServiceCredentialStore.h"

#include <QObject>

// The running tray program: the status item with its menu, the monitor loop and
// the platform pieces they use, wired together. Lives for the whole run.
class TrayApplication : public QObject {
    Q_OBJECT
public:
    explicit TrayApplication(QObject* parent = nullptr);

    void start();

Q_SIGNALS:
    // "Quit Veltrano", SIGTERM or SIGINT: the monitor has stopped and the
    // router's background work has ended.
    void finished();

private:
    void quit();
    // Linux has no notch; what can hide the item is a desktop without a
    // status-notifier tray, so that is what is checked, once per run.
    void checkNotch();
    void warnHidden();

    SystemClock clock;
    Nl80211WirelessLink link;
    LinuxGatewaySource gateways;
    SecretServiceCredentialStore credentials;
    RouterManager router;
    NetlinkNetworkEvents networkEvents;
    QtSoundPlayer soundPlayer;
    MenuManager menu;
    TrayStatusItem statusItem;
    WiFiMonitor monitor;
    TerminationSignals termination;
    bool hasWarnedAboutNotch = false;
    bool trayFound = false;
    bool traySearchDone = false;
};
