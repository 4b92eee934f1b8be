#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// The network application wraps every list it answers in {"meta": ..., "data": [...]}.

// The answer's `data` array; none when the answer is not JSON (an HTML error page,
// a cut-off body) or carries no such array.
std::optional<QJsonArray> uniFiData(const QByteArray& answer);

// The first object of `data` whose `mac` matches `mac`, ignoring case.
std::optional<QJsonObject> uniFiObjectForMAC(const QJsonArray& data, const QString& mac);
