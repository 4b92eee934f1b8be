#pragma once

#include <QObject>
#include <QThreadPool>
#include <chrono>
#include <optional>

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
    // stored; returns false when the settings rule it out. The keyring is read
    // in the background (a locked one must not hold the launch), and the login
    // follows only while `routerIP` is still the address it was read for.
    bool start();
    // Uninstalling: a reconnection still under way writes nothing any more.
    void cancel() { cancelled = true; }
    // For quitting: waits up to `deadline` for the keyring read. False when it still runs.
    bool endBackgroundWork(std::chrono::milliseconds deadline);

private:
    void passwordRead(const QString& routerIP, const std::optional<QString>& password);
    void connected(bool success);

    SettingsStore& settings;
    CredentialStore& credentials;
    RouterConnector& connector;
    RouterService& router;
    SessionLog& sessionLog;
    bool cancelled = false;
    // Last: its destruction waits for the keyring read.
    QThreadPool keyringPool;
};
