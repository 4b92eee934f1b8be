#include "router/peplink/PeplinkAnswers.h"

#include "monitor/SignalModel.h"
#include "router/RouterText.h"
#include "router/RowNormalisation.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkCookie>
#include <algorithm>
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

// Firmware 8 wraps its readings in objects that name their unit.
bool isFirmware8Entry(const QJsonObject& entry) {
    return entry.value(QStringLiteral("signalStrength")).isObject() ||
           entry.value(QStringLiteral("signal")).isObject() ||
           entry.value(QStringLiteral("speed")).isObject();
}

// Firmware 8 drives 6 GHz radios, whose channels reuse the numbers of the 2.4
// and 5 GHz bands: only one beyond the 5 GHz band still names its band alone.
// Older firmware has no 6 GHz radio, so there a channel tells the band.
QString bandForChannel(std::optional<int> channel, bool mayBeSixGHz) {
    if (!channel)
        return BandLabel::unknownWireless;
    if (*channel >= 182)
        return BandLabel::six;
    if (mayBeSixGHz)
        return BandLabel::unknownWireless;
    if (*channel >= 15)
        return BandLabel::five;
    return BandLabel::twoPointFour;
}

// In MHz, or in GHz where a firmware gives a small number.
std::optional<QString> bandOfFrequency(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double given = value.toDouble();
    const double mhz = given < 100.0 ? given * 1000.0 : given;
    if (mhz >= 2400.0 && mhz < 2500.0)
        return BandLabel::twoPointFour;
    if (mhz >= 4900.0 && mhz < 5925.0)
        return BandLabel::five;
    if (mhz >= 5925.0 && mhz <= 7125.0)
        return BandLabel::six;
    return std::nullopt;
}

// "2.4 GHz", "5GHz", "6G" and the like.
std::optional<QString> bandOfName(const QJsonValue& value) {
    QString name = value.toString().toUpper();
    name.remove(QLatin1Char(' '));
    if (name.endsWith(QStringLiteral("HZ")))
        name.chop(2);
    for (const QString& band : {BandLabel::twoPointFour, BandLabel::five, BandLabel::six})
        if (name == band)
            return band;
    return std::nullopt;
}

QString bandOf(const QJsonObject& entry, bool mayBeSixGHz) {
    if (const std::optional<QString> band = bandOfFrequency(entry.value(QStringLiteral("frequency"))))
        return *band;
    if (const std::optional<QString> band = bandOfName(entry.value(QStringLiteral("band"))))
        return *band;
    return bandForChannel(channelOf(entry.value(QStringLiteral("channel"))), mayBeSixGHz);
}

// A number that comes without its unit may be anything the firmware computes;
// only a negative one can be dBm.
std::optional<int> unitlessDBm(const QJsonValue& value) {
    const std::optional<int> dBm = readRSSI(value);
    return dBm && *dBm < 0 ? dBm : std::nullopt;
}

std::optional<int> signalStrengthOf(const QJsonValue& value) {
    if (!value.isObject())
        return readRSSI(value);
    const QJsonObject reading = value.toObject();
    const QJsonValue unit = reading.value(QStringLiteral("unit"));
    if (unit.isUndefined() || unit.isNull())
        return unitlessDBm(reading.value(QStringLiteral("value")));
    if (unit.toString().compare(QStringLiteral("dBm"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return readRSSI(reading.value(QStringLiteral("value")));
}

// `signal` carries a `level` too, which counts bars and is never dBm.
int rssiOf(const QJsonObject& entry) {
    if (const std::optional<int> dBm = signalStrengthOf(entry.value(QStringLiteral("signalStrength"))))
        return *dBm;
    const QJsonValue strength =
        entry.value(QStringLiteral("signal")).toObject().value(QStringLiteral("strength"));
    return unitlessDBm(strength).value_or(noSignalRSSI);
}

// Firmware 8 gives kbit/s when it names no unit.
std::optional<double> megabitsOf(double rate, const QJsonValue& unit) {
    const QString name = unit.toString();
    if (unit.isUndefined() || unit.isNull() || name.compare(QStringLiteral("kbps"), Qt::CaseInsensitive) == 0)
        return megabitsFromKilobits(rate);
    if (name.compare(QStringLiteral("Mbps"), Qt::CaseInsensitive) == 0)
        return rate;
    return std::nullopt;
}

// Of firmware 8's two directions, the router's download is what it sends the
// station: the rate the other families' rows carry. A station the router has
// sent nothing to yet still has a link rate in its upload.
double speedOf(const QJsonValue& value) {
    if (!value.isObject()) {
        const double speed = value.toDouble(0.0);
        return speed > 0.0 ? speed : 0.0;
    }
    const QJsonObject speeds = value.toObject();
    for (const QString& direction : {QStringLiteral("download"), QStringLiteral("upload")})
        if (const double rate = speeds.value(direction).toDouble(0.0); rate > 0.0)
            return megabitsOf(rate, speeds.value(QStringLiteral("unit"))).value_or(0.0);
    return 0.0;
}

std::optional<RouterClient> clientRow(const QJsonObject& entry, bool isFirmware8Answer) {
    const QString mac = entry.value(QStringLiteral("mac")).toString();
    if (mac.isEmpty() || !isWirelessConnection(entry.value(QStringLiteral("connectionType"))))
        return std::nullopt;
    RouterClient row;
    row.mac = mac;
    row.ip = entry.value(QStringLiteral("ip")).toString();
    row.hostname = firstString(entry, {QStringLiteral("name"), QStringLiteral("hostname")});
    row.rssi = rssiOf(entry);
    row.txRate = speedOf(entry.value(QStringLiteral("speed")));
    row.txBytes = firstCounter(entry, {QStringLiteral("tx_bytes")});
    row.rxBytes = firstCounter(entry, {QStringLiteral("rx_bytes")});
    row.iface = bandOf(entry, isFirmware8Answer);
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
    // A firmware 8 station that has no reading yet looks like an older one's.
    const bool isFirmware8Answer = std::any_of(
        list.begin(), list.end(), [](const QJsonValue& entry) { return isFirmware8Entry(entry.toObject()); });
    for (const QJsonValue& entry : list)
        if (const std::optional<RouterClient> row = clientRow(entry.toObject(), isFirmware8Answer))
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
    // Cleaned before the choice: a model of nothing but formatting characters
    // would otherwise name the router with an empty string.
    const QString model = routerText(firstString(response, {QStringLiteral("model")}), RouterTextKind::name);
    if (!model.isEmpty())
        return model;
    // Current firmware nests the model under `device`.
    const QString deviceModel = routerText(
        firstString(response.value(QStringLiteral("device")).toObject(), {QStringLiteral("model")}),
        RouterTextKind::name);
    return deviceModel.isEmpty() ? defaultModelName : deviceModel;
}

bool isHealthy(const QByteArray& body) {
    const QJsonObject root = rootObject(body);
    return root.value(QStringLiteral("stat")).toString() == QStringLiteral("ok") ||
           root.contains(QStringLiteral("response"));
}

} // namespace PeplinkAnswers
