#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// A stretch during which a target's link was too weak to carry images (critical
// or offline), or the router itself was unreachable.
struct HistoryIncident {
    // None for a router outage that no target's drop covers.
    std::optional<TargetSlot> slot;
    QString name;
    qint64 startMs = 0;
    qint64 durationMs = 0;
    SignalState worstState = SignalState::critical;
    // None when no reading in the drop had a radio figure.
    std::optional<int> lowestRssi;
    // The access points in the order the target used them; "A → B" after a roam.
    QString accessPoint;
    // The router's side: its outage, or that it did not list the target.
    QString said;

    bool operator==(const HistoryIncident&) const = default;
};
