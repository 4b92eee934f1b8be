#pragma once

#include "app/ConnectionState.h"
#include "router/GatewayOption.h"
#include "router/RouterDetection.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <chrono>
#include <functional>
#include <optional>

class CredentialStore;
class RouterConnector;
class RouterService;
class SessionLog;
class SettingsStore;

// The settings window's router connection: what opening the window checks, the
// Connect / Disconnect button's flow, the address field's effects and the
// monitor's unreachable and recovered notices. Holds the window's transient
// state; the settings keys stay the truth for everything else.
//
// Main thread only. Nothing here waits: detection, login and every keyring
// call come back later, and an answer that belongs to an address or a press
// since replaced is dropped.
class RouterConnectionFlow : public QObject {
    Q_OBJECT
public:
    // What answers at `address`, later on the main thread.
    using Detection = std::function<void(const QString& address, DetectionCompletion answer)>;

    RouterConnectionFlow(SettingsStore& settings, CredentialStore& credentials, RouterConnector& connector,
                         RouterService& router, SessionLog& sessionLog, Detection detection,
                         QObject* parent = nullptr);
    ~RouterConnectionFlow() override;

    ConnectionState connectionState() const { return state; }
    QString connectionError() const { return error; }
    QString localPassword() const { return password; }
    QList<GatewayOption> detectedGateways() const { return gateways; }
    // A press is being carried out (detection, keyring or login); another does nothing.
    bool isBusy() const;
    // The last login or detection met another certificate, host key or family
    // than the one kept, or could not read what was kept.
    bool identityChanged() const { return changedIdentity; }
    // Connected to a router whose first login found no HTTPS: its login and
    // session cross the network in clear text.
    bool isUnencrypted() const { return unencrypted; }

    // The window is shown: takes over a live connection, refreshes the gateway
    // list (filling an empty `routerIP`, or replacing one this computer has left
    // while no connection holds it), loads the password and detects the family.
    void appear();
    // Takes in what others wrote while the window is shown (auto-connect, the
    // network-change check, the command line): a new `routerIP` or a
    // connection made or dropped.
    void follow();
    // The user changed the address (typed or picked); written to `routerIP` at once.
    void setRouterIP(const QString& address);
    // Typed for the current address; saved under its account at the next press.
    void setLocalPassword(const QString& text);
    // The router card's button.
    void press();
    // Drops the certificate pins and host keys kept for `routerIP`, so that the
    // next login trusts what the router presents.
    void forgetRouterIdentity();
    // Uninstalling: a connection, live or lost, ends and the monitor is told.
    void endForUninstall();
    // For quitting: drops keyring calls not yet started and waits up to
    // `deadline` for the one running. False when it still runs.
    bool endBackgroundWork(std::chrono::milliseconds deadline);

Q_SIGNALS:
    // Any of the state above changed.
    void changed();

private:
    QString routerIP() const;
    QString family() const;
    void addressChanged();
    // Whatever belonged to the address before: a waiting press, a login under
    // way, the password shown.
    void leaveAddress();
    void loadPassword();
    void detect();
    void detectionAnswered(const RouterDetection& detection);
    // Whether the router at `routerIP` was first reached over plain HTTP.
    bool speaksPlainHttp() const;
    void disconnectRouter();
    void saveAndLogIn();
    void logIn();
    void loggedIn(bool success, const std::optional<QString>& message);
    void takeConnection();
    void fail(const QString& message);
    void setState(ConnectionState next);

    SettingsStore& settings;
    CredentialStore& credentials;
    RouterConnector& connector;
    RouterService& router;
    SessionLog& sessionLog;
    Detection detection;
    ConnectionState state = ConnectionState::disconnected;
    QString error;
    QString password;
    // The address the password was typed for; none while it is the stored one.
    std::optional<QString> typedFor;
    // The `routerIP` the state above belongs to.
    QString shownAddress;
    QList<GatewayOption> gateways;
    bool detecting = false;
    bool saving = false;
    bool changedIdentity = false;
    bool unencrypted = false;
    // Set when a press waits for the detection under way; it carries on from there.
    bool pressAfterDetection = false;
    // Counts address changes; keyring, detection and login answers of an older one are dropped.
    quint64 addressGeneration = 0;
    // Counts password loads and edits; only the latest may set the password.
    quint64 passwordGeneration = 0;
    // Last: its destruction waits for the keyring calls still running.
    QThreadPool keyringPool;
};
