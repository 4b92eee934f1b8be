#pragma once

#include "router/RouterClient.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// One router family's way of reaching its router. The manager picks the adapter
// of the detected family for every request.
//
// Adapters live on the main thread and are called there only; every completion
// runs later on the main thread too (never inside the call), exactly once, and
// not at all once the adapter is gone. Blocking work (the keyring, ssh) runs on
// the background pool; nothing an adapter does waits on the main thread.
class RouterAdapter {
public:
    // Success, and the sentence to show when there is none (may be absent).
    using ConnectCompletion = std::function<void(bool success, std::optional<QString> message)>;
    // None when the router did not answer or the login failed; an answered empty list is empty.
    using ClientsCompletion = std::function<void(std::optional<QList<RouterClient>>)>;
    using ClientCompletion = std::function<void(std::optional<RouterClient>)>;
    using HealthCompletion = std::function<void(bool)>;
    using ModelCompletion = std::function<void(std::optional<QString>)>;

    RouterAdapter() = default;
    RouterAdapter(const RouterAdapter&) = delete;
    RouterAdapter& operator=(const RouterAdapter&) = delete;
    virtual ~RouterAdapter() = default;

    virtual void connect(ConnectCompletion completion) = 0;
    // The full wireless client list for the device picker, logging in first
    // when needed.
    virtual void fetchClients(ClientsCompletion completion) = 0;
    // The target's row with whatever radio data the family gives; none when it
    // is not listed or anything failed.
    virtual void fetchClient(const QString& targetMAC, ClientCompletion completion) = 0;
    // The target's row by the family's best path, waiting for that path to be
    // ready where the first answer only starts it: what a one-shot caller, who
    // never sees a second poll, asks for.
    virtual void fetchSettledClient(const QString& targetMAC, ClientCompletion completion) {
        fetchClient(targetMAC, std::move(completion));
    }
    virtual void probeRouterHealth(HealthCompletion completion) = 0;
    virtual void fetchModelName(ModelCompletion completion) = 0;
    // Forgets the family's session, caches and once-per-run dump flags.
    virtual void resetSession() = 0;
    // The family's own part of a disconnect (logging out, closing its ssh
    // master) and the end of every request it has in flight. The manager calls
    // resetSession afterwards.
    virtual void disconnect() = 0;
    // Why the router refused the login, while that refusal stands: the reason a
    // failed client list gives the user.
    virtual std::optional<QString> loginRefusal() const = 0;
};
