#pragma once

#include "router/RouterHttpSession.h"

#include <QByteArray>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <optional>

// Logs in to a Peplink router with the admin's user name and password. The
// token grant comes first, as the device API of older firmware takes it there;
// firmware that grants tokens to API clients only refuses it, and lets the
// admin in at /api/login with a session cookie instead.
class PeplinkLogin {
public:
    enum class Way { tokenGrant, adminLogin };

    struct Account {
        QString address;
        QString username;
        QString password;
    };

    // What lets later requests in, for the one router that issued it.
    struct Credential {
        QString address;
        // Authorization with the bearer token, or Cookie with the session cookie.
        QPair<QByteArray, QByteArray> header;
        Way way = Way::tokenGrant;

        bool operator==(const Credential&) const = default;
    };

    struct Result {
        std::optional<Credential> credential;
        // The router answered and refused the user name and password.
        bool passwordRejected = false;
        // Another certificate than the one pinned answered; it was sent nothing.
        bool identityChanged = false;
        // The router let us in, but what it showed could not be kept; its
        // session is not used.
        bool identityNotSaved = false;
    };
    using Done = std::function<void(const Result&)>;

    // Requests go out on `http`; `done` runs later, not at all once `context` is
    // gone. A successful login keeps the router's identity there.
    PeplinkLogin(RouterHttpSession& http, QObject& context);

    // Starts with `firstWay`: a router known to take the admin login is not
    // asked for a token it will refuse.
    void logIn(const Account& account, Way firstWay, Done done);

private:
    void logInAsAdmin(const Account& account, Done done);
    // The result of a login `answer` that let us in with `credential`.
    Result admitted(const Account& account, const RouterHttpResult& answer, Credential credential);
    void post(const Account& account, const QString& path, const QByteArray& body,
              RouterHttpSession::Completion completion);

    RouterHttpSession& http;
    QObject& context;
};
