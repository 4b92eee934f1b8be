#pragma once

#include "router/LoginGate.h"
#include "router/RouterAccess.h"
#include "router/RouterAdapter.h"
#include "router/RouterHttpSession.h"
#include "router/keyring/RouterPassword.h"
#include "router/peplink/PeplinkLogin.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

// Reads a Peplink router through its HTTPS REST interface. One login serves the
// whole session: polls, the health probe and the model query all carry its
// token or cookie, and log in again once when the router has ended it. Nothing
// of a session reaches any address but the one that issued it.
class PeplinkAdapter final : public QObject, public RouterAdapter {
public:
    explicit PeplinkAdapter(RouterAccess& access);
    ~PeplinkAdapter() override;

    void connect(ConnectCompletion completion) override;
    void fetchClients(ClientsCompletion completion) override;
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void fetchModelName(ModelCompletion completion) override;
    void resetSession() override;
    void disconnect() override;
    std::optional<QString> loginRefusal() const override;

private:
    // One call of the REST interface.
    struct Call {
        QString path;
        QString query;
        std::chrono::milliseconds timeout;
    };
    using AnswerDone = RouterHttpSession::Completion;

    // What the adapter knows of one router; forgotten as a whole.
    struct Session {
        QString address;
        // Read from the keyring once a session rather than once a poll.
        std::optional<QString> password;
        std::optional<PeplinkLogin::Credential> credential;
        // The way this router let us in; the next login tries it first.
        PeplinkLogin::Way way = PeplinkLogin::Way::tokenGrant;
        // Firmware without /api/status.system.info answers at /api/status.system.
        bool answersAtSystemStatus = false;
        bool hasLoggedLogin = false;
    };

    void logIn(bool userAsked, LoginGate::Waiter waiter);
    void attemptLogin(const QString& address, LoginGate::Finish finish);
    void withPassword(const QString& address, std::function<void(const RouterPasswordLookup&)> use);
    // GET of `call` with the session's credential, logging in first when there
    // is none, and once more when the router refuses the one it was sent.
    void get(const Call& call, AnswerDone done, bool mayLogInAgain = true);
    void send(const Call& call, const PeplinkLogin::Credential& credential, AnswerDone done);
    // The body of the system answer, from status.system.info or the older
    // status.system; none when no usable answer came.
    void fetchSystem(std::chrono::milliseconds timeout, std::function<void(std::optional<QByteArray>)> done);
    // The session for `address`, after forgetting one that belongs to another.
    Session& sessionFor(const QString& address);
    void forgetSession();
    // Runs `work` on the next turn of the main queue, unless this adapter is gone.
    void later(std::function<void()> work);

    RouterAccess& access;
    Session session;
    // Bumped whenever the session is forgotten: a login or keyring read still
    // under way then stores nothing, and sends no password.
    quint64 generation = 0;
    LoginGate gate{*this};
    RouterHttpSession peplinkSession;
    PeplinkLogin login{peplinkSession, *this};
};
