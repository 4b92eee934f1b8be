#include "logs/IncidentFinder.h"

#include <QStringList>
#include <algorithm>

namespace {

// The monitor gets no row both when the router does not list the camera and when
// it does not answer in time; which of the two it was is not known here.
const QString unlistedText = QStringLiteral("No row from the router (not listed, or no answer)");

bool isDown(SignalState state) {
    return state == SignalState::critical || state == SignalState::offline;
}

struct Drop {
    TargetSlot slot;
    qint64 startMs = 0;
    qint64 endMs = 0;
    QList<HistoryReading> readings;
    QString outageSaid;
};

// A drop still running when the snapshot ends lasted as far as anything saw it:
// the program may have been closed after its last reading, so nothing later is
// claimed.
QList<Drop> runsOfSlot(const HistorySnapshot& snapshot, TargetSlot slot) {
    QList<Drop> drops;
    std::optional<Drop> running;
    for (const HistoryReading& reading : snapshot.readings) {
        if (reading.slot != slot)
            continue;
        if (isDown(reading.state)) {
            if (!running)
                running = Drop{slot, reading.timeMs, reading.timeMs, {}, {}};
            running->endMs = std::min(reading.timeMs, snapshot.toMs);
            running->readings.append(reading);
        } else if (running) {
            running->endMs = reading.timeMs;
            drops.append(*running);
            running.reset();
        }
    }
    if (running)
        drops.append(*running);
    return drops;
}

// An outage still going on at the end of the range lasts at least to that end.
qint64 outageEnd(const HistoryOutage& outage, const HistorySnapshot& snapshot) {
    return outage.endMs.value_or(std::max(outage.startMs, snapshot.toMs));
}

// A drop of a single last reading has no length, yet an outage starting with it
// still belongs to it.
bool overlaps(const Drop& drop, qint64 startMs, qint64 endMs) {
    return startMs < std::max(drop.endMs, drop.startMs + 1) && endMs >= drop.startMs;
}

// Extending a drop over an outage can make it reach the slot's next drop; the
// camera did not recover in between as far as anyone can tell, so they are one.
QList<Drop> merged(QList<Drop> drops) {
    QList<Drop> result;
    for (Drop& drop : drops) {
        if (!result.isEmpty() && drop.startMs <= result.last().endMs) {
            Drop& previous = result.last();
            previous.endMs = std::max(previous.endMs, drop.endMs);
            previous.readings += drop.readings;
            if (previous.outageSaid.isEmpty())
                previous.outageSaid = drop.outageSaid;
        } else {
            result.append(std::move(drop));
        }
    }
    return result;
}

std::optional<int> lowestRssi(const QList<HistoryReading>& readings, bool perMinute) {
    std::optional<int> lowest;
    for (const HistoryReading& reading : readings) {
        const int rssi = perMinute ? reading.lowestRssi : reading.rssi;
        if (rssi != 0)
            lowest = std::min(rssi, lowest.value_or(rssi));
    }
    return lowest;
}

QString accessPoints(const QList<HistoryReading>& readings) {
    QStringList used;
    for (const HistoryReading& reading : readings)
        if (!reading.accessPoint.isEmpty() && !used.contains(reading.accessPoint))
            used.append(reading.accessPoint);
    return used.join(QStringLiteral(" \u2192 "));
}

HistoryIncident incidentOf(const Drop& drop, bool perMinute) {
    HistoryIncident incident;
    incident.slot = drop.slot;
    for (const HistoryReading& reading : drop.readings)
        if (!reading.name.isEmpty())
            incident.name = reading.name;
    incident.startMs = drop.startMs;
    incident.durationMs = drop.endMs - drop.startMs;
    const bool offline =
        std::any_of(drop.readings.begin(), drop.readings.end(),
                    [](const HistoryReading& reading) { return reading.state == SignalState::offline; });
    incident.worstState = offline ? SignalState::offline : SignalState::critical;
    incident.lowestRssi = lowestRssi(drop.readings, perMinute);
    incident.accessPoint = accessPoints(drop.readings);
    const bool unlisted = std::any_of(drop.readings.begin(), drop.readings.end(),
                                      [](const HistoryReading& reading) { return !reading.listed; });
    incident.said = !drop.outageSaid.isEmpty() ? drop.outageSaid : unlisted ? unlistedText : QString();
    return incident;
}

int orderOf(const HistoryIncident& incident) {
    return incident.slot ? int(*incident.slot) : 2;
}

} // namespace

QList<HistoryIncident> IncidentFinder::find(const HistorySnapshot& snapshot) {
    QList<bool> outageCovered(snapshot.outages.size(), false);
    QList<HistoryIncident> incidents;
    for (const TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        QList<Drop> drops = runsOfSlot(snapshot, slot);
        for (Drop& drop : drops) {
            for (qsizetype i = 0; i < snapshot.outages.size(); ++i) {
                const HistoryOutage& outage = snapshot.outages.at(i);
                const qint64 endMs = outageEnd(outage, snapshot);
                if (!overlaps(drop, outage.startMs, endMs))
                    continue;
                outageCovered[i] = true;
                drop.endMs = std::max(drop.endMs, endMs);
                if (drop.outageSaid.isEmpty())
                    drop.outageSaid = outage.said;
            }
        }
        for (const Drop& drop : merged(drops))
            incidents.append(incidentOf(drop, snapshot.perMinute));
    }
    for (qsizetype i = 0; i < snapshot.outages.size(); ++i) {
        if (outageCovered.at(i))
            continue;
        const HistoryOutage& outage = snapshot.outages.at(i);
        incidents.append({std::nullopt,
                          QStringLiteral("Router"),
                          outage.startMs,
                          outageEnd(outage, snapshot) - outage.startMs,
                          SignalState::offline,
                          std::nullopt,
                          {},
                          outage.said});
    }
    std::stable_sort(incidents.begin(), incidents.end(),
                     [](const HistoryIncident& a, const HistoryIncident& b) {
                         return std::pair(a.startMs, orderOf(a)) < std::pair(b.startMs, orderOf(b));
                     });
    return incidents;
}
