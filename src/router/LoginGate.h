#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

// One login at a time for an adapter, and a pause after the router refused the
// password. Callers that arrive while a login is out (slot A, slot B, the
// picker) share its outcome instead of sending their own; polls do not try a
// refused password again until the user connects again or the pause is over, so
// a console never sees two failed logins a second.
//
// Main thread only. Waiters run from the attempt's own completion, or on a later
// turn of the event loop; never inside `logIn` or `reset`.
class LoginGate {
public:
    struct Outcome {
        bool success = false;
        // The sentence for the user when there is one.
        std::optional<QString> message;
        // Not to be tried again by itself: the router answered and refused the
        // credentials (not: unreachable), or its identity forbids the login.
        bool refused = false;
    };
    using Finish = std::function<void(const Outcome&)>;
    // Logs in and calls `finish` exactly once, later (never inside the call), or
    // never when the adapter is gone.
    using Attempt = std::function<void(Finish finish)>;
    using Waiter = std::function<void(const Outcome&)>;
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::minutes rejectionPause{5};

    // Waiters are queued to `context`, and dropped with it.
    explicit LoginGate(QObject& context, TimeSource now = std::chrono::steady_clock::now);
    LoginGate(const LoginGate&) = delete;
    LoginGate& operator=(const LoginGate&) = delete;

    // Runs `attempt` for `address`, or lets `waiter` share the login already out
    // for it. A login the user asked for always goes out and lifts the pause; an
    // automatic one within the pause after a refusal gets that refusal again.
    void logIn(const QString& address, bool userAsked, const Attempt& attempt, Waiter waiter);
    // Forgets the login out: its waiters hear a failure now, its outcome is
    // dropped. Refusals stay remembered; they belong to the address.
    void reset();
    // The sentence of the router's refusal at `address` while its pause lasts.
    std::optional<QString> refusalMessage(const QString& address) const;

private:
    struct Refusal {
        std::chrono::steady_clock::time_point at;
        Outcome outcome;
    };

    void settle(quint64 attemptNumber, const Outcome& outcome);

    QObject& context;
    TimeSource now;
    QHash<QString, Refusal> refusals;
    std::optional<QString> addressInFlight;
    QList<Waiter> waiters;
    // Tells a finished attempt from one that was reset or replaced meanwhile.
    quint64 attempts = 0;
};
