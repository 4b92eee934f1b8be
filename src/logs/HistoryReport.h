#pragma once

#include "logs/HistoryIncident.h"
#include "logs/HistorySnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A shoot's report in the forms a photographer hands on: a self-contained HTML
// page (charts as inline SVG, the incidents, no external resource), or the raw
// rows as CSV or JSON. Every name in it came from the router or the user and is
// escaped.
namespace HistoryReport {

struct Heading {
    // "GL.iNet GL-MT6000 at 192.168.8.1"; empty in computer mode.
    QString router;
    QDateTime generatedAt;
};

QString html(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents, const Heading& heading);
QByteArray csv(const HistorySnapshot& snapshot);
QByteArray json(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents);

} // namespace HistoryReport
