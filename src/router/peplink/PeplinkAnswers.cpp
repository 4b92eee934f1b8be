#include "router/peplink/PeplinkAnswers.h"

#include "router/RouterText.h"
#include "router/RowNormalisation.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkCookie>
#include <limits>

namespace PeplinkAnswers {

namespace {

QJsonObject rootObject(const QByteArray& body) {
    const std::optional<QJsonDocument> document = parseRouterJson(body);
    return document ? document->object() : QJsonObject();
}

QJsonObject responseObject(const QByteArray& body) {
    return rootObject(body).value(QStringLiteral("response")).toObject();
}

// Routers list wired clients and those of their other ports alongside Wi-Fi
// stations; only Wi-Fi stations have a signal to follow.
bool isWirelessConnection(const QJsonValue& connectionType) {
    if (!connectionType.isString())
        return true;
    const QString type = connectionType.toString();
    return type == QStringLiteral("wifi") || type == QStringLiteral("wireless");
}

std::optional<int> channelOf(const QJsonValue& value) {
    constexpr qint64 notAnInteger = std::numeric_limits<qint64>::min();
    const qint64 channel = value.toInteger(notAnInteger);
    // Channel 0 is what a radio reports before it has one; calling it 2.4 GHz
    // would raise the camera band alarm for no reason.
    if (channel <= 0 || channel > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(channel);
}

QString bandForChannel(std::optional<int> channel) {
    if (!channel)
        return BandLabel::unknownWireless;
    if (*channel >= 182)
        return BandLabel::six;
    if (*channel >= 15)
        return BandLabel::five;
    return BandLabel::twoPointFour;
}

double speedOf(const QJsonValue& value) {
    const double speed = value.toDouble(0.0);
    return speed > 0.0 ? speed : 0.0;
}

std::optional<RouterClient> clientRow(const QJsonObject& entry) {
    const QString mac = entry.value(QStringLiteral("mac")).toString();
    if (mac.isEmpty() || !isWirelessConnection(entry.value(QStringLiteral("connectionType"))))
        return std::nullopt;
    RouterClient row;
    row.mac = mac;
    row.ip = entry.value(QStringLiteral("ip")).toString();
    row.hostname = firstString(entry, {QStringLiteral("name"), QStringLiteral("hostname")});
    row.rssi = firstRSSI(entry, {QStringLiteral("signalStrength")});
    row.txRate = speedOf(entry.value(QStringLiteral("speed")));
    row.txBytes = firstCounter(entry, {QStringLiteral("tx_bytes")});
    row.rxBytes = firstCounter(entry, {QStringLiteral("rx_bytes")});
    row.iface = bandForChannel(channelOf(entry.value(QStringLiteral("channel"))));
    row.isOnline = true;
    return withRouterText(row);
}

} // namespace

std::optional<QString> tokenFromGrant(const QByteArray& body) {
    const QJsonObject root = rootObject(body);
    const QString token = firstString(root, {QStringLiteral("access_token")});
    if (!token.isEmpty())
        return token;
    const QString deviceToken =
        firstString(root.value(QStringLiteral("response")).toObject(), {QStringLiteral("accessToken")});
    if (!deviceToken.isEmpty())
        return deviceToken;
    return std::nullopt;
}

std::optional<QByteArray> adminSessionCookie(const QList<QPair<QByteArray, QByteArray>>& headers,
                                             const QByteArray& body) {
    if (rootObject(body).value(QStringLiteral("stat")).toString() != QStringLiteral("ok"))
        return std::nullopt;
    for (const auto& [name, value] : headers) {
        if (name.compare("Set-Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QNetworkCookie& cookie : QNetworkCookie::parseCookies(value))
            if (cookie.name() == "bauth" && !cookie.value().isEmpty())
                return cookie.name() + '=' + cookie.value();
    }
    return std::nullopt;
}

bool refusesCredentials(std::optional<int> status, const QByteArray& body) {
    if (!status)
        return false;
    const QJsonObject root = rootObject(body);
    return *status == 401 || (root.value(QStringLiteral("stat")).toString() == QStringLiteral("fail") &&
                              root.value(QStringLiteral("code")).toInt() == 401);
}

QList<RouterClient> clientRows(const QByteArray& body) {
    QList<RouterClient> rows;
    const QJsonArray list = responseObject(body).value(QStringLiteral("list")).toArray();
    for (const QJsonValue& entry : list)
        if (const std::optional<RouterClient> row = clientRow(entry.toObject()))
            rows.append(*row);
    return rows;
}

std::optional<RouterClient> targetRow(const QList<RouterClient>& rows, const QString& targetMAC) {
    for (const RouterClient& row : rows)
        if (row.mac.compare(targetMAC, Qt::CaseInsensitive) == 0)
            return row;
    return std::nullopt;
}

QString modelName(const QByteArray& body) {
    const QJsonObject response = responseObject(body);
    const QString model = firstString(response, {QStringLiteral("model")});
    if (!model.isEmpty())
        return routerText(model, RouterTextKind::name);
    // Current firmware nests the model under `device`.
    const QString deviceModel =
        firstString(response.value(QStringLiteral("device")).toObject(), {QStringLiteral("model")});
    return deviceModel.isEmpty() ? defaultModelName : routerText(deviceModel, RouterTextKind::name);
}

bool isHealthy(const QByteArray& body) {
    const QJsonObject root = rootObject(body);
    return root.value(QStringLiteral("stat")).toString() == QStringLiteral("ok") ||
           root.contains(QStringLiteral("response"));
}

} // namespace PeplinkAnswers
