#pragma once

#include "router/LoginGate.h"
#include "router/RouterAccess.h"
#include "router/RouterAdapter.h"
#include "router/RouterHttpSession.h"
#include "router/unifi/AccessPointSSHCredentials.h"
#include "router/unifi/UniFiAccessPointPath.h"
#include "router/unifi/UniFiLogin.h"

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// A UniFi OS console, or a classic controller on port 8443, through its network
// application's REST interface with a cookie session; the target's radio figures
// come from its access point where that can be reached (UniFiAccessPointPath).
//
// An answer that arrives after resetSession belongs to the forgotten session: it
// changes nothing here, and its caller hears of a failure.
class UniFiAdapter final : public QObject, public RouterAdapter {
public:
    explicit UniFiAdapter(RouterAccess& access);
    ~UniFiAdapter() override;

    void connect(ConnectCompletion completion) override;
    void fetchClients(ClientsCompletion completion) override;
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    // Once the first answer has found the target's access point, asks again
    // through it.
    void fetchSettledClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void fetchModelName(ModelCompletion completion) override;
    void resetSession() override;
    void disconnect() override;
    std::optional<QString> loginRefusal() const override;

    // Reads the site's device SSH login (for the access-point path); a failure
    // keeps what was known.
    void fetchAPSSHCredentials();

private:
    // Where one generation of the network application logs in and serves its API.
    struct Endpoint {
        QString base;
        QString loginPath;
        QString apiPath;
    };
    using StationsDone = std::function<void(std::optional<QJsonArray> stations)>;
    using AnswerDone = RouterHttpSession::Completion;

    // One login at a time through the gate; `userAsked` for the user's connect.
    void logIn(bool userAsked, LoginGate::Waiter done);
    // The console first, then the classic controller: one attempt for the gate.
    // Without a stored password nothing is sent.
    void logInToEither(const QString& address, const Endpoint& uniFiOS, const Endpoint& classic,
                       LoginGate::Finish finish);
    void attemptLogin(const Endpoint& endpoint, const QString& username, const QString& password,
                      std::function<void(UniFiLoginVerdict)> done);
    void ensureLoggedIn(std::function<void(bool loggedIn)> done);
    // The connect message when neither the console nor the classic controller
    // took the login.
    QString loginFailureMessage(UniFiLoginVerdict console, UniFiLoginVerdict classic) const;

    QList<QPair<QByteArray, QByteArray>> sessionHeaders() const;
    // Every request to the console but the login. A console that shows another
    // certificate than pinned ends the session and the access-point path it led
    // to: the readings must not go on looking healthy while the router itself
    // can no longer be told from an impostor.
    void sendToConsole(const RouterHttpRequest& request, AnswerDone done);
    void sendToAPI(const QString& path, AnswerDone done);
    void fetchStationList(StationsDone done);
    void dumpTargetStationOnce(const QJsonArray& stations);
    void fetchSystem(AnswerDone done);

    void fetchFromStationList(const QString& mac, ClientCompletion completion);
    // Calls `done` once the look-up of `mac`'s access point has ended, or
    // after `checksLeft` checks a tenth of a second apart.
    void awaitLookUp(const QString& mac, int checksLeft, std::function<void()> done);
    void completeCounters(RouterClient row, ClientCompletion completion);
    void lookUpAccessPoint(const QString& mac, const QString& apMAC);
    // Reads the device SSH login into apSSHUsername / apSSHPassword, then calls
    // `done` whether or not it was found; not at all once the session is reset.
    void readAPSSHCredentials(std::function<void()> done);
    AccessPointSSHCredentials apCredentials() const { return {apSSHUsername, apSSHPassword}; }

    // Runs `call` from the event loop, so a completion never runs inside the
    // call that was given it.
    template <typename Call> void later(Call call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }

    RouterAccess& access;
    // Bumped by resetSession; see the class comment.
    quint64 generation = 0;

    QString uniFiBaseURL;
    QString uniFiAPIBase;
    QString uniFiCookie;
    QString uniFiCSRFToken;
    QString apSSHUsername;
    QString apSSHPassword;
    bool hasLoggedUniFiRESTDump = false;

    LoginGate gate{*this};
    UniFiAccessPointPath accessPoint;
    // Last, so it goes first: requests it ends then find this object still
    // whole, and their completions are dropped with it.
    RouterHttpSession uniFiSession;
};
