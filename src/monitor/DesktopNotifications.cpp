#include "monitor/DesktopNotifications.h"

#include "monitor/AlertManager.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifier.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace {

constexpr qint64 quietSeconds = 60;
const QString summary = QStringLiteral("Veltrano");

} // namespace

DesktopNotifications::DesktopNotifications(const SettingsStore& settings, const AlertManager& alerts,
                                           const Clock& clock, DesktopNotifier& notifier)
    : settings(settings)
    , alerts(alerts)
    , clock(clock)
    , notifier(notifier) {}

void DesktopNotifications::stateEntered(TargetSlot slot, SignalState state, const QString& name) {
    if (state != SignalState::critical && state != SignalState::offline)
        return;
    if (isQuiet(slot))
        return;
    notify(slot, name.isEmpty() ? stateMessage(state) : name + QStringLiteral(" · ") + stateMessage(state));
}

void DesktopNotifications::routerBecameUnreachable() {
    // The router's alarm sounds through the targets it escalates, so it is
    // silenced with the last of them.
    bool anyTracked = false;
    bool anyAudible = false;
    for (const TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        if (!alerts.state(slot))
            continue;
        anyTracked = true;
        anyAudible = anyAudible || !isQuiet(slot);
    }
    if (anyTracked && !anyAudible)
        return;
    notify(std::nullopt, QStringLiteral("Router unreachable"));
}

bool DesktopNotifications::isQuiet(TargetSlot slot) const {
    return alerts.isDisabled(slot) || alerts.snoozedUntil(slot).has_value();
}

void DesktopNotifications::notify(Subject subject, const QString& body) {
    // Absent means on: the switch is there to turn them off.
    if (!settings.readObject(SettingsKey::desktopNotifications).value_or(QJsonValue(true)).toBool(true))
        return;
    const QDateTime now = clock.now();
    const auto last = lastNotified.find(subject);
    if (last != lastNotified.end() && last->second.secsTo(now) < quietSeconds)
        return;
    lastNotified.insert_or_assign(subject, now);
    notifier.notify(summary, body);
}
