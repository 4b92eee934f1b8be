#pragma once

#include "router/RouterClient.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// One /stat/sta object as a row; none for a wired client or an object without a MAC.
// Firmware sends the numbers as JSON numbers or as numeric strings; both are read.
std::optional<RouterClient> uniFiStationRow(const QJsonObject& station);

// Every wireless row of a /stat/sta `data` array, in the answer's order.
QList<RouterClient> uniFiStationRows(const QJsonArray& data);

// The once-per-run dump of the target's station object: a heading naming `mac`,
// then "  key = value" per field, sorted by key, "nil" for null.
QString uniFiStationDump(const QJsonObject& station, const QString& mac);
