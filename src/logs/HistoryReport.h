#pragma once

#include "logs/HistoryIncident.h"
#include "logs/HistorySnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class SettingsStore;

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

// The stored router as "GL.iNet GL-MT6000 at 192.168.8.1"; only the address
// before the model is known.
Heading headingFor(const SettingsStore& settings, const QDateTime& generatedAt);

QString html(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents,
             const Heading& heading);
QByteArray csv(const HistorySnapshot& snapshot);
QByteArray json(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents);

// Writes a report whole or not at all, for the user alone: it names the user's
// cameras, networks and access points. Why it could not be written.
std::optional<QString> writeFile(const QString& path, const QByteArray& data);

} // namespace HistoryReport
