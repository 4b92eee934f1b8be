#pragma once

#include <QObject>

class CredentialStore;
class RouterConnector;
class RouterService;
class SessionLog;
class SettingsStore;

// The launch's reconnection to the router the last run ended connected to. Its
// failures are silent apart from `routerAutoReconnect` turning false: the user
// reconnects in the settings window. Main thread only.
class AutoConnect : public QObject {
    Q_OBJECT
public:
    AutoConnect(SettingsStore& settings, CredentialStore& credentials, RouterConnector& connector,
                RouterService& router, SessionLog& sessionLog, QObject* parent = nullptr);

    // Logs in when auto-connect is allowed, the last run asked to reconnect, the
    // mode is "router", the router and its family are known and a password is
    // stored; returns whether it did. Reads the keyring, so it blocks on it.
    bool start();

private:
    void connected(bool success);

    SettingsStore& settings;
    CredentialStore& credentials;
    RouterConnector& connector;
    RouterService& router;
    SessionLog& sessionLog;
};
