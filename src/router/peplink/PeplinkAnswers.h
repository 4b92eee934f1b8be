#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QList>
#include <QPair>
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

// The Cookie header value ("bauth=...") of an /api/login answer that let the
// admin in; none for any other answer.
std::optional<QByteArray> adminSessionCookie(const QList<QPair<QByteArray, QByteArray>>& headers,
                                             const QByteArray& body);

// Whether an answer refuses the credentials its request carried: HTTP 401, or
// the API's own failure with code 401 (what an expired session gets). `status`
// is none when no answer came.
bool refusesCredentials(std::optional<int> status, const QByteArray& body);

// The wireless rows of an /api/status.client answer, in the router's order;
// empty for an unreadable answer.
QList<RouterClient> clientRows(const QByteArray& body);

// The row of `targetMAC` among `rows`, compared without regard to case.
std::optional<RouterClient> targetRow(const QList<RouterClient>& rows, const QString& targetMAC);

// The model a system answer names (/api/status.system.info or the older
// /api/status.system), or defaultModelName.
QString modelName(const QByteArray& body);

// Whether a system answer shows a live router session.
bool isHealthy(const QByteArray& body);

} // namespace PeplinkAnswers
