#pragma once

#include "logs/HistoryReading.h"
#include "logs/HistorySnapshot.h"
#include "logs/SignalChartGeometry.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <optional>

// Lays out one target's chart from a snapshot: time across the snapshot's whole
// range, RSSI on the left axis, the transmit rate on the right.
namespace SignalChart {

SignalChartGeometry layout(const HistorySnapshot& snapshot, TargetSlot slot, const QString& title,
                           QSizeF size);

// The reading drawn nearest to `x`, for the hover text; none outside the plot or
// where the target has no reading.
std::optional<HistoryReading> readingAt(const HistorySnapshot& snapshot, const SignalChartGeometry& chart,
                                        qreal x);

// The slots the snapshot has readings for, A before B.
QList<TargetSlot> slotsIn(const HistorySnapshot& snapshot);

// "Camera A — <name>", the name being the slot's last one in the snapshot.
QString chartTitle(const HistorySnapshot& snapshot, TargetSlot slot);

} // namespace SignalChart
