#include "router/unifi/HostapdStation.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

QHash<QString, QString> stationFields(const QString& output, const QString& mac) {
    QHash<QString, QString> fields;
    bool inStation = true;
    for (const QString& rawLine : output.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (isStationMAC(line)) {
            inStation = line.compare(mac, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inStation && equals > 0)
            fields.insert(line.left(equals), line.mid(equals + 1));
    }
    return fields;
}

// Some builds follow the value with per-chain figures or flags, e.g.
// "signal=-58 [-60, -61]" or "tx_rate_info=12010 vhtmcs 9 vhtnss 2 shortGI".
QString leadingToken(const QString& value) {
    return value.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

std::optional<int> signalDBm(const QHash<QString, QString>& fields) {
    const auto line = fields.constFind(QStringLiteral("signal"));
    if (line == fields.cend())
        return std::nullopt;
    bool ok = false;
    const int dBm = leadingToken(*line).toInt(&ok);
    // Access points print `signal=0` for a station they measured nothing for; a
    // perfect 0 dBm would hide that the station list knows better.
    return ok && dBm < 0 ? std::optional<int>(dBm) : std::nullopt;
}

std::uint64_t counter(const QHash<QString, QString>& fields, const QString& key) {
    bool ok = false;
    const qulonglong value = leadingToken(fields.value(key)).toULongLong(&ok);
    return ok ? value : 0;
}

// The value counts units of 100 kbit/s.
double rateMbps(const QHash<QString, QString>& fields) {
    bool ok = false;
    const qulonglong units = leadingToken(fields.value(QStringLiteral("tx_rate_info"))).toULongLong(&ok);
    return ok ? static_cast<double>(units) / 10.0 : 0.0;
}

} // namespace

bool isStationMAC(const QString& text) {
    static const QRegularExpression macText(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return macText.match(text).hasMatch();
}

std::optional<HostapdStation> hostapdStation(const QString& output, const QString& mac) {
    const QHash<QString, QString> fields = stationFields(output, mac);
    const std::optional<int> rssi = signalDBm(fields);
    if (!rssi)
        return std::nullopt;
    return HostapdStation{*rssi, counter(fields, QStringLiteral("tx_bytes")),
                          counter(fields, QStringLiteral("rx_bytes")), rateMbps(fields)};
}
