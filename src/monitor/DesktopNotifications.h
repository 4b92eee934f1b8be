#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QDateTime>
#include <map>
#include <optional>

class AlertManager;
class Clock;
class DesktopNotifier;
class SettingsStore;

// Tells the desktop when a target turns critical or goes offline, and when the
// router stops answering, for a photographer whose speakers are off. It stays
// quiet where the sound would (a snoozed or disabled target), while the
// `desktopNotifications` setting is off, and for a minute after its last word
// about the same target or the router. Main thread only.
class DesktopNotifications {
public:
    DesktopNotifications(const SettingsStore& settings, const AlertManager& alerts, const Clock& clock,
                         DesktopNotifier& notifier);

    // `name` is what the menu calls the target.
    void stateEntered(TargetSlot slot, SignalState state, const QString& name);
    void routerBecameUnreachable();

private:
    // A target's slot, or none for the router.
    using Subject = std::optional<TargetSlot>;

    bool isQuiet(TargetSlot slot) const;
    void notify(Subject subject, const QString& body);

    const SettingsStore& settings;
    const AlertManager& alerts;
    const Clock& clock;
    DesktopNotifier& notifier;
    std::map<Subject, QDateTime> lastNotified;
};
