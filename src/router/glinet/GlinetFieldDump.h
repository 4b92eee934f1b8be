#pragma once

#include <QJsonObject>
#include <QString>

// The once-per-run diagnostic dumps of a GL.iNet row: the heading, then one
// line "  key = value" per field, sorted by key, "nil" for a null value.
QString glinetClientListDump(const QString& mac, const QJsonObject& row);
QString glinetAssoclistDump(const QString& mac, const QJsonObject& station);
