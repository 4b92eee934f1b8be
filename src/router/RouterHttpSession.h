#pragma once

#include "router/RouterHttpConnection.h"
#include "router/RouterHttpRequest.h"
#include "router/RouterHttpResult.h"
#include "router/identity/RouterIdentityStore.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <memory>

class EventLogger;

// The HTTP session of one router: a GL.iNet web interface, a UniFi console or a
// Peplink device. Routers serve self-signed, expired or wrongly named
// certificates, so no authority vouches for them; instead a session made with
// an identity store trusts a router's certificate on first use: the caller pins
// it once a login there has succeeded, and from then on a connection to that
// router presenting another certificate is ended after its handshake, before a
// byte of the request (password, cookie or token) is written, and the
// connections already open to it are closed. A session without a store accepts
// any certificate and is for questions that carry nothing secret. It keeps no
// cookies and follows no redirects: the UniFi session cookie travels only in
// the caller's explicit Cookie header, and a 3xx comes back as the answer.
// Connections stay open between requests so a poll does not pay a TLS
// handshake each second.
//
// The session belongs to the thread that creates it, the main thread in the
// application, and does its network work from that thread's event loop (its
// own connections, RouterHttpConnection): a client on a thread of its own
// would wake both threads for every answer, once a second all day. That never
// stalls the monitor: connecting, the handshake and reading are asynchronous,
// each request has a hard deadline, and a completion only ever sees a
// finished answer.
class RouterHttpSession {
public:
    using Completion = std::function<void(const RouterHttpResult&)>;

    // Answers beyond this are cut off while downloading and fail as tooLarge.
    static constexpr qint64 maximumAnswerBytes = 16 * 1024 * 1024;
    // Requests beyond these wait for one of them.
    static constexpr int connectionsPerRouter = 6;

    RouterHttpSession();
    // Checks certificates against `identities`; a refused router is logged once
    // until it shows a certificate that passes again.
    RouterHttpSession(RouterIdentityStore identities, EventLogger& logger);
    // Ends what is still in flight, so every caller hears back.
    ~RouterHttpSession();
    RouterHttpSession(const RouterHttpSession&) = delete;
    RouterHttpSession& operator=(const RouterHttpSession&) = delete;

    // Call on the session's thread. `completion` runs later on that thread,
    // never inside send, and not at all once `context` is gone. It runs exactly
    // once otherwise: with the answer of any HTTP status, or an error.
    void send(const RouterHttpRequest& request, QObject* context, Completion completion);

    // Ends every request in flight; each completes with a network error.
    void abortAll();

    // Keeps what the successful login `answer` showed of the router at
    // `address`: `record`, and the certificate that carried the answer, pinned
    // to its port. What is kept already stays. False, logged, when it could not
    // be written: the caller must not use the session, or the next login would
    // pass for a first one.
    bool keepLogin(const QString& address, const RouterHttpResult& answer, const RouterRecord& record);
    // Where the identities are kept, for the sentence when they are not.
    QString identitiesPath() const;

private:
    struct Pinning {
        RouterIdentityStore identities;
        EventLogger& logger;
        // "address:port" of routers refused since they last passed.
        QSet<QString> refused;
    };
    struct Exchange;

    // Starts what waits, on an idle connection to its router or a new one.
    void dispatch();
    void finish(const std::shared_ptr<Exchange>& exchange, RouterHttpResult result);
    void end(Exchange& exchange, RouterHttpResult result);
    RouterHttpConnection* openTo(const RouterHttpConnection::Endpoint& endpoint);
    bool admits(const RouterHttpConnection::Endpoint& endpoint, const PresentedCertificate& presented);

    std::optional<Pinning> pinning;
    // Sent and not yet ended, oldest first.
    QList<std::shared_ptr<Exchange>> exchanges;
    QList<RouterHttpConnection*> connections;
    // Parent of the connections and deadlines; last, so it goes first.
    QObject home;
};
