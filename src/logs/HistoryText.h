#pragma once

#include "logs/HistoryIncident.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The history as a person reads it, in the report and in the terminal alike;
// every string the router or the user supplied comes out fit to show.
namespace HistoryText {

// "yyyy-MM-dd HH:mm:ss" in local time.
QString localTime(qint64 ms);
// "12 s", "3 min 05 s", "1 h 02 min".
QString duration(qint64 ms);
// "-67 dBm", or "—" without a radio figure.
QString rssi(std::optional<int> dBm);

QStringList incidentHeaders();
QStringList incidentCells(const HistoryIncident& incident);

} // namespace HistoryText
