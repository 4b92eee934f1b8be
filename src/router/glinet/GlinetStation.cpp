#include "router/glinet/GlinetStation.h"

#include "monitor/SignalModel.h"
#include "router/RowNormalisation.h"

#include <QJsonArray>
#include <algorithm>

namespace {

bool isDecimal(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isInterfaceNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
           c == QLatin1Char('_') || c == QLatin1Char('-');
}

bool isTrue(const QJsonValue& value) {
    return value.isBool() ? value.toBool() : value.isDouble() && value.toDouble() != 0.0;
}

std::optional<int> whole(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    return value.toInt();
}

std::optional<int> positive(const QJsonValue& value) {
    const auto number = whole(value);
    if (number && *number > 0)
        return number;
    return std::nullopt;
}

// HE stations report a guard-interval index (0 = 0.8 µs, the shortest HE has)
// instead of `short_gi`.
std::optional<bool> shortGuardInterval(const QJsonObject& tx) {
    if (const QJsonValue shortGI = tx.value(QStringLiteral("short_gi")); shortGI.isBool())
        return shortGI.toBool();
    if (const auto heGI = whole(tx.value(QStringLiteral("he_gi"))))
        return *heGI == 0;
    return std::nullopt;
}

// The oldest builds send `40mhz` for every station, so only a true value says
// 802.11n; the `ht` / `vht` flags of later builds say it outright.
std::optional<QString> phyMode(const QJsonObject& tx, double rateMbps) {
    if (isTrue(tx.value(QStringLiteral("eht"))))
        return QStringLiteral("be");
    if (isTrue(tx.value(QStringLiteral("he"))))
        return QStringLiteral("ax");
    if (isTrue(tx.value(QStringLiteral("vht"))))
        return QStringLiteral("ac");
    if (isTrue(tx.value(QStringLiteral("ht"))) || isTrue(tx.value(QStringLiteral("40mhz"))))
        return QStringLiteral("n");
    if (rateMbps > 54.0)
        return QStringLiteral("ac");
    return std::nullopt;
}

std::optional<int> widthMHz(const QJsonObject& tx, double rateMbps, const ClientLinkDetail& detail) {
    if (const auto mhz = positive(tx.value(QStringLiteral("mhz"))))
        return mhz;
    if (const QJsonValue fortyMHz = tx.value(QStringLiteral("40mhz")); !fortyMHz.isUndefined())
        return isTrue(fortyMHz) ? 40 : 20;
    // MCS 10 and 11 exist from 802.11ax on, 12 and 13 from 802.11be.
    const int mcs = detail.mcs.value_or(0);
    const std::optional<QString> ratesOf = hasHighEfficiencyRates(detail.phyMode) ? detail.phyMode
                                           : mcs >= 12                            ? QStringLiteral("be")
                                           : mcs >= 10 ? std::optional<QString>(QStringLiteral("ax"))
                                                       : detail.phyMode;
    return estimatedWidthMHz(rateMbps, detail.nss, ratesOf);
}

} // namespace

std::optional<QString> glinetPingCommand(const QString& ip) {
    const QStringList parts = ip.split(QLatin1Char('.'));
    if (parts.size() != 4 || !std::all_of(parts.begin(), parts.end(), isDecimal))
        return std::nullopt;
    return QStringLiteral("ping -c 1 ") + ip + QStringLiteral(" >/dev/null 2>&1 &");
}

std::optional<QString> glinetAssoclistCommand(const QString& device) {
    if (device.isEmpty() || !std::all_of(device.begin(), device.end(), isInterfaceNameCharacter))
        return std::nullopt;
    return QStringLiteral("ubus call iwinfo assoclist '{\"device\":\"") + device + QStringLiteral("\"}'");
}

std::optional<QStringList> readIwinfoDevices(const QByteArray& output) {
    const auto document = parseRouterJson(output);
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonValue devices = document->object().value(QStringLiteral("devices"));
    if (!devices.isArray())
        return std::nullopt;
    QStringList names;
    for (const QJsonValue& device : devices.toArray())
        if (device.isString())
            names.append(device.toString());
    return names;
}

std::optional<QJsonObject> findAssociatedStation(const QByteArray& output, const QString& mac) {
    const auto document = parseRouterJson(output);
    if (mac.isEmpty() || !document || !document->isObject())
        return std::nullopt;
    for (const QJsonValue& value : document->object().value(QStringLiteral("results")).toArray()) {
        const QJsonObject station = value.toObject();
        if (station.value(QStringLiteral("mac")).toString().compare(mac, Qt::CaseInsensitive) == 0)
            return station;
    }
    return std::nullopt;
}

GlinetRadio radioFromStation(const QJsonObject& station) {
    const QJsonObject tx = station.value(QStringLiteral("tx")).toObject();
    const QJsonObject rx = station.value(QStringLiteral("rx")).toObject();
    GlinetRadio radio;
    radio.rssi = firstRSSI(station, {QStringLiteral("signal")});
    radio.txRate = megabitsFromKilobits(tx.value(QStringLiteral("rate")).toDouble());
    radio.txBytes = firstCounter(tx, {QStringLiteral("bytes")});
    radio.rxBytes = firstCounter(rx, {QStringLiteral("bytes")});
    ClientLinkDetail& detail = radio.linkDetail;
    detail.mcs = whole(tx.value(QStringLiteral("mcs")));
    detail.nss = positive(tx.value(QStringLiteral("nss")));
    detail.shortGI = shortGuardInterval(tx);
    detail.phyMode = phyMode(tx, radio.txRate);
    detail.widthMHz = widthMHz(tx, radio.txRate, detail);
    return radio;
}

RouterClient withRadio(RouterClient row, const std::optional<GlinetRadio>& radio, bool shellSilent) {
    row.radioTransportDown = !radio && shellSilent;
    row.rssi = radio ? radio->rssi : noSignalRSSI;
    row.txRate = radio ? radio->txRate : 0.0;
    if (radio && radio->txBytes != 0)
        row.txBytes = radio->txBytes;
    if (radio && radio->rxBytes != 0)
        row.rxBytes = radio->rxBytes;
    row.linkDetail = radio ? std::optional(radio->linkDetail) : std::nullopt;
    return row;
}
