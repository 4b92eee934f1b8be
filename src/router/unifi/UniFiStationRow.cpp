#include "router/unifi/UniFiStationRow.h"

#include "monitor/SignalModel.h"
#include "router/RowNormalisation.h"

#include <QJsonDocument>
#include <QLocale>
#include <QStringList>
#include <cmath>
#include <limits>

namespace {

// The controller's `rssi` is never dBm: it counts dB above this fixed floor
// (every recorded station has `signal` = `rssi` - 96, whatever its `noise`).
constexpr int rssiFloorDBm = -96;

std::optional<double> numberField(const QJsonObject& station, const QString& key) {
    const QJsonValue value = station.value(key);
    double number = 0.0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        number = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<int> integerField(const QJsonObject& station, const QString& key) {
    const std::optional<double> number = numberField(station, key);
    if (!number)
        return std::nullopt;
    const double whole = std::trunc(*number);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(whole);
}

// Stream counts and widths divide and compare later; zero or less means the
// controller had no figure.
std::optional<int> positiveIntegerField(const QJsonObject& station, const QString& key) {
    const std::optional<int> number = integerField(station, key);
    if (!number || *number <= 0)
        return std::nullopt;
    return number;
}

bool isWired(const QJsonValue& value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() == 1.0;
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        return text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || text == QStringLiteral("1");
    }
    return false;
}

int stationRSSI(const QJsonObject& station) {
    if (const std::optional<int> signal = integerField(station, QStringLiteral("signal")))
        return *signal;
    if (const std::optional<int> rssi = integerField(station, QStringLiteral("rssi")))
        // A negative `rssi` is not a count above the floor; no reading beats a guess.
        return *rssi >= 0 ? *rssi + rssiFloorDBm : noSignalRSSI;
    return noSignalRSSI;
}

QString bandForRadio(const QString& radio) {
    if (radio == QStringLiteral("ng"))
        return BandLabel::twoPointFour;
    if (radio == QStringLiteral("na"))
        return BandLabel::five;
    if (radio == QStringLiteral("6e"))
        return BandLabel::six;
    return BandLabel::unknownWireless;
}

} // namespace

std::optional<RouterClient> uniFiStationRow(const QJsonObject& station) {
    const QString mac = station.value(QStringLiteral("mac")).toString();
    if (mac.isEmpty() || isWired(station.value(QStringLiteral("is_wired"))))
        return std::nullopt;

    RouterClient row;
    row.mac = mac;
    row.ip = firstString(station, {QStringLiteral("ip"), QStringLiteral("last_ip")});
    row.hostname =
        firstString(station, {QStringLiteral("hostname"), QStringLiteral("name"), QStringLiteral("oui")});
    row.iface = bandForRadio(station.value(QStringLiteral("radio")).toString());
    row.rssi = stationRSSI(station);
    const double kilobits = numberField(station, QStringLiteral("tx_rate")).value_or(0.0);
    row.txRate = kilobits > 0.0 ? megabitsFromKilobits(kilobits) : 0.0;
    row.isOnline = true;
    row.txBytes = firstCounter(station, {QStringLiteral("tx_bytes")});
    row.rxBytes = firstCounter(station, {QStringLiteral("rx_bytes")});

    ClientLinkDetail detail;
    detail.nss = positiveIntegerField(station, QStringLiteral("nss"));
    detail.widthMHz = positiveIntegerField(station, QStringLiteral("channel_width"));
    if (const QString proto = station.value(QStringLiteral("radio_proto")).toString(); !proto.isEmpty())
        detail.phyMode = proto;
    row.linkDetail = detail;
    return withRouterText(row);
}

QList<RouterClient> uniFiStationRows(const QJsonArray& data) {
    QList<RouterClient> rows;
    for (const QJsonValue& entry : data)
        if (const std::optional<RouterClient> row = uniFiStationRow(entry.toObject()))
            rows.append(*row);
    return rows;
}

QString uniFiStationDump(const QJsonObject& station, const QString& mac) {
    return fieldDump(QStringLiteral("[DIAG] UniFi /stat/sta fields for ") + mac + QLatin1Char(':'), station);
}
