#pragma once

#include "router/LoginGate.h"
#include "router/RouterAccess.h"
#include "router/RouterAdapter.h"
#include "router/RouterHttpSession.h"
#include "router/glinet/GlinetClientList.h"
#include "router/glinet/GlinetLogin.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/ssh/MasterStartBackoff.h"
#include "router/ssh/RemoteShells.h"
#include "router/ssh/SshTransport.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// GL.iNet routers, read over two channels: the JSON-RPC web interface over HTTPS
// (or plain HTTP where the router offered no HTTPS at its first login; login and
// the client list with names, addresses and byte counters) and the router's
// shell over ssh (`ubus call iwinfo ...` for the target's radio figures).
class GlinetAdapter final : public QObject, public RouterAdapter {
public:
    explicit GlinetAdapter(RouterAccess& access);
    ~GlinetAdapter() override;

    void connect(ConnectCompletion completion) override;
    void fetchClients(ClientsCompletion completion) override;
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void fetchModelName(ModelCompletion completion) override;
    void resetSession() override;
    void disconnect() override;
    std::optional<QString> loginRefusal() const override;

private:
    // None when nothing readable came; the rows are kept ones, the clients raw.
    using ListCompletion = std::function<void(const std::optional<GlinetClientList>&)>;
    // What the router's shell told of the target's station; `shellAnswered` is
    // false when no master or shell answered, and nothing is known then.
    using StationReport = std::function<void(bool shellAnswered, const std::optional<QJsonObject>& station)>;

    // One login at a time through the gate; `userAsked` for the user's connect.
    void logIn(bool userAsked, LoginGate::Waiter done);
    // Reads the stored password, then challenges and logs in; without a
    // password nothing is sent.
    void attemptLogin(LoginGate::Finish finish);
    // What one login knows on its way: the address's identity, the password it
    // cleared, and the scheme it is asking over.
    struct LoginAttempt {
        QString address;
        QString password;
        RouterStanding standing;
        QString scheme;
        quint64 generation = 0;
    };
    void sendChallenge(const LoginAttempt& attempt, const LoginGate::Finish& finish);
    void answerChallenge(LoginAttempt attempt, const RouterHttpResult& answer,
                         const LoginGate::Finish& finish);
    // The event detail when the router asks, over `attempt.scheme`, for a login
    // its first login here rules out: clear text where HTTPS was, or a weaker
    // hash. None when the login may go ahead.
    std::optional<QString> identityChange(const LoginAttempt& attempt,
                                          const GlinetChallenge& challenge) const;
    void logInAndStartMaster(ConnectCompletion completion);
    // Both slots of a poll ask within a moment of each other, and one list holds
    // both targets: a request in flight answers every caller that comes meanwhile.
    void shareClientList(ListCompletion completion);
    // Logs in first when there is no session; an expired session is renewed
    // once per request.
    void requestClientList(bool isRetry, ListCompletion completion);
    void sendClientListCall(bool isRetry, ListCompletion completion);
    void dumpListRowOnce(const GlinetClientList& list);
    void readRadio(const RouterClient& row, const QString& targetMAC, ClientCompletion completion);
    void findStationOverShell(const QString& clientIP, const QString& targetMAC, StationReport report);
    // Through the remote shell, started first (after the master, if need be).
    void runOnShell(const QStringList& commands, RemoteShell::Completion done);
    // For answers known before any request: completions never run inside a call.
    void later(std::function<void()> call);
    void send(const QUrl& url, const QByteArray& body, std::chrono::milliseconds timeout,
              RouterHttpSession::Completion completion);
    SshLogin sshLogin() const;
    // /rpc of the router address, over the scheme its last login used there.
    std::optional<QUrl> routerRpcUrl() const;

    RouterAccess& access;
    // Its destructor aborts what is in flight while this object is still whole;
    // the completions are queued to this object and are dropped with it. It
    // pins the router's certificate at its first login over HTTPS.
    RouterHttpSession session;
    // Used from pool threads; the manager drains the pool before it goes.
    SshTransport ssh;
    MasterStartBackoff masterStarts;
    // Main thread only.
    RemoteShells shells;
    // The callers of the client-list request in flight, in order, and the
    // session it was sent in: after a reset the next caller asks afresh.
    std::shared_ptr<std::vector<ListCompletion>> listWaiters;
    quint64 listWaitersGeneration = 0;
    // The interfaces the router's last devices answer named.
    QStringList shellDevices;
    LoginGate gate{*this};
    std::optional<QString> sid;
    // Where the last login went and over which scheme; kept over resets, since
    // it belongs to the router rather than the session.
    struct {
        QString address;
        QString scheme;
    } rpcEndpoint;
    // Answers of a session that was reset or disconnected while they were on
    // their way must not bring it back.
    quint64 sessionGeneration = 0;
    // The same count as pool threads read it, so ssh work queued before a
    // reset does not open a master again.
    std::atomic<quint64> shellGeneration{0};
    bool hasLoggedGLiNetHTTPDump = false;
    bool hasLoggedGLiNetSSHDump = false;
    // The router's shell stopped answering polls and that has been logged.
    bool hasLoggedSSHOutage = false;
};
