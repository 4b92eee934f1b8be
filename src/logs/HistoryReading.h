#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QString>
#include <QtGlobal>

// One poll's reading of one target, as the signal history keeps it. A row read
// back from the per-minute table stands for the whole minute: `rssi` is then the
// minute's median, `state` its worst, and the span its lowest and highest RSSI.
struct HistoryReading {
    qint64 timeMs = 0;
    TargetSlot slot = TargetSlot::a;
    QString mac;
    QString name;
    // dBm; 0 when the router gave no radio figure.
    int rssi = 0;
    int rateMbps = 0;
    SignalState state = SignalState::excellent;
    QString band;
    // Empty where the router does not name access points.
    QString accessPoint;
    double throughputMBps = 0.0;
    // False when the router's client list did not hold the target at all.
    bool listed = true;
    int lowestRssi = 0;
    int highestRssi = 0;

    bool operator==(const HistoryReading&) const = default;
};
