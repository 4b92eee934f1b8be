#pragma once

#include "logs/HistoryIncident.h"
#include "logs/HistorySnapshot.h"

#include <QList>

// The drops in a snapshot: each run of critical or offline readings of one
// target, joined across a router outage inside it, and each outage no drop
// covers; in order of their start.
namespace IncidentFinder {

QList<HistoryIncident> find(const HistorySnapshot& snapshot);

} // namespace IncidentFinder
