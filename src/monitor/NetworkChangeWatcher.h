#pragma once

#include <QObject>
#include <QTimer>

class NetworkEventSource;
class RouterService;
class SettingsStore;

// Re-finds the router after the computer moves to another network. Every
// network event announces "NetworkGatewayChanged"; a burst of them causes one
// check, a second after the last. Main thread only.
class NetworkChangeWatcher : public QObject {
    Q_OBJECT
public:
    NetworkChangeWatcher(SettingsStore& settings, RouterService& router, NetworkEventSource& events,
                         QObject* parent = nullptr);

    // Follows network events; on from construction.
    void start();
    // Ignores further events and drops the pending check.
    void stop();

    void scheduleNetworkCheck();
    bool isCheckPending() const { return networkChangeTimer.isActive(); }
    void checkNetworkChange();

private:
    void handleNetworkEvent();

    SettingsStore& settings;
    RouterService& router;
    NetworkEventSource& events;
    QTimer networkChangeTimer;
    QMetaObject::Connection eventConnection;
};
