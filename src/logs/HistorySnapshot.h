#pragma once

#include "logs/HistoryOutage.h"
#include "logs/HistoryReading.h"

#include <QList>
#include <QtGlobal>

// What the history holds for one time range, oldest first: enough to draw the
// charts, find the incidents and write a report without going back to disk.
struct HistorySnapshot {
    qint64 fromMs = 0;
    qint64 toMs = 0;
    // True when the range was too long for every reading and the rows are one a
    // minute per target.
    bool perMinute = false;
    QList<HistoryReading> readings;
    // Every outage that overlaps the range, even one that began before it.
    QList<HistoryOutage> outages;
};
