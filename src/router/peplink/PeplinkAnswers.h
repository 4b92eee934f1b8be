#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What the Peplink REST answers mean, independent of how they were fetched.
namespace PeplinkAnswers {

// Shown whenever the router does not name its model.
inline const QString defaultModelName = QStringLiteral("Peplink Router");

// The bearer token of an /api/auth.token.grant answer: top-level `access_token`,
// or `response.accessToken` as the device API sends it. None for an answer
// without a usable token.
std::optional<QString> tokenFromGrant(const QByteArray& body);

// The wireless rows of an /api/status.client answer, in the router's order;
// empty for an unreadable answer.
QList<RouterClient> clientRows(const QByteArray& body);

// The row of `targetMAC` among `rows`, compared without regard to case.
std::optional<RouterClient> targetRow(const QList<RouterClient>& rows, const QString& targetMAC);

// The model an /api/status.system answer names, or defaultModelName.
QString modelName(const QByteArray& body);

// Whether an /api/status.system answer shows a live router session.
bool isHealthy(const QByteArray& body);

} // namespace PeplinkAnswers
