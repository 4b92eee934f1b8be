#include "router/LoginGate.h"

#include <QMetaObject>

LoginGate::LoginGate(QObject& context, TimeSource now)
    : context(context)
    , now(std::move(now)) {}

void LoginGate::logIn(const QString& address, bool userAsked, const Attempt& attempt, Waiter waiter) {
    if (userAsked) {
        refusals.remove(address);
    } else if (const auto refusal = refusals.constFind(address); refusal != refusals.cend()) {
        if (now() - refusal->at < rejectionPause) {
            QMetaObject::invokeMethod(
                &context, [waiter = std::move(waiter), outcome = refusal->outcome] { waiter(outcome); },
                Qt::QueuedConnection);
            return;
        }
        refusals.erase(refusal);
    }
    if (addressInFlight == address) {
        waiters.append(std::move(waiter));
        return;
    }
    // The address changed under a login still out: that login answers for a
    // router no longer in use.
    reset();
    addressInFlight = address;
    waiters.append(std::move(waiter));
    const quint64 attemptNumber = ++attempts;
    attempt([this, attemptNumber](const Outcome& outcome) { settle(attemptNumber, outcome); });
}

std::optional<QString> LoginGate::refusalMessage(const QString& address) const {
    const auto refusal = refusals.constFind(address);
    if (refusal == refusals.cend() || now() - refusal->at >= rejectionPause)
        return std::nullopt;
    return refusal->outcome.message;
}

void LoginGate::reset() {
    ++attempts;
    addressInFlight.reset();
    // Queued: a reset comes from inside the adapter's own calls.
    for (Waiter& waiter : std::exchange(waiters, {}))
        QMetaObject::invokeMethod(
            &context, [waiter = std::move(waiter)] { waiter(Outcome{}); }, Qt::QueuedConnection);
}

void LoginGate::settle(quint64 attemptNumber, const Outcome& outcome) {
    if (attemptNumber != attempts)
        return;
    if (outcome.refused)
        refusals.insert(*addressInFlight, {now(), outcome});
    addressInFlight.reset();
    const QList<Waiter> sharing = std::exchange(waiters, {});
    for (const Waiter& waiter : sharing)
        waiter(outcome);
}
