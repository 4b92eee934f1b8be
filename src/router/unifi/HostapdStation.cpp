#include "router/unifi/HostapdStation.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <utility>

namespace {

using StationFields = QHash<QString, QString>;

// The text's entries, each under the MAC line that heads it; lines before any
// MAC line belong to `mac`, the station asked for.
QList<std::pair<QString, StationFields>> stationEntries(const QString& output, const QString& mac) {
    QList<std::pair<QString, StationFields>> entries{{mac, {}}};
    for (const QString& rawLine : output.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (isStationMAC(line)) {
            entries.append({line, {}});
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            entries.last().second.insert(line.left(equals), line.mid(equals + 1));
    }
    return entries;
}

// An entry is the station's own, or one link of it: multi-link stations are
// listed per link, each naming the station's other addresses.
bool namesStation(const std::pair<QString, StationFields>& entry, const QString& mac) {
    if (entry.first.compare(mac, Qt::CaseInsensitive) == 0)
        return true;
    for (auto field = entry.second.cbegin(); field != entry.second.cend(); ++field)
        if ((field.key() == QStringLiteral("mld_addr") ||
             field.key().startsWith(QStringLiteral("peer_addr["))) &&
            field.value().trimmed().compare(mac, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Some builds follow the value with per-chain figures or flags, e.g.
// "signal=-58 [-60, -61]" or "tx_rate_info=12010 vhtmcs 9 vhtnss 2 shortGI".
QString leadingToken(const QString& value) {
    return value.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

constexpr int idleLinkSignal = -95;

std::optional<int> signalDBm(const StationFields& fields) {
    const auto line = fields.constFind(QStringLiteral("signal"));
    if (line == fields.cend())
        return std::nullopt;
    bool ok = false;
    const int dBm = leadingToken(*line).toInt(&ok);
    // Access points print `signal=0` for a station they measured nothing for; a
    // perfect 0 dBm would hide that the station list knows better.
    return ok && dBm < 0 ? std::optional<int>(dBm) : std::nullopt;
}

std::uint64_t counter(const StationFields& fields, const QString& key) {
    bool ok = false;
    const qulonglong value = leadingToken(fields.value(key)).toULongLong(&ok);
    return ok ? value : 0;
}

// The value counts units of 100 kbit/s.
double rateMbps(const QString& rateInfo) {
    bool ok = false;
    const qulonglong units = leadingToken(rateInfo).toULongLong(&ok);
    return ok ? static_cast<double>(units) / 10.0 : 0.0;
}

// A word hostapd follows with a number after the rate.
struct RateWord {
    bool isStreams;
    QString phyMode;
};

// An HT MCS index counts eight per spatial stream (MCS 15 is MCS 7 on two).
constexpr int htIndicesPerStream = 8;
constexpr int htIndexLimit = 32;

std::optional<ClientLinkDetail> rateDetail(const QString& rateInfo) {
    static const QHash<QString, RateWord> rateWords = {
        {QStringLiteral("mcs"), {false, QStringLiteral("n")}},
        {QStringLiteral("vhtmcs"), {false, QStringLiteral("ac")}},
        {QStringLiteral("vhtnss"), {true, QStringLiteral("ac")}},
        {QStringLiteral("hemcs"), {false, QStringLiteral("ax")}},
        {QStringLiteral("henss"), {true, QStringLiteral("ax")}},
        {QStringLiteral("ehtmcs"), {false, QStringLiteral("be")}},
        {QStringLiteral("ehtnss"), {true, QStringLiteral("be")}},
    };
    const QStringList words = rateInfo.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ClientLinkDetail detail;
    bool described = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i] == QStringLiteral("shortGI")) {
            detail.shortGI = true;
            described = true;
            continue;
        }
        const auto word = rateWords.constFind(words[i]);
        bool ok = false;
        const int number = i + 1 < words.size() ? words[i + 1].toInt(&ok) : 0;
        if (word == rateWords.cend() || !ok || number < 0)
            continue;
        ++i;
        described = true;
        detail.phyMode = word->phyMode;
        if (word->isStreams)
            detail.nss = number;
        else
            detail.mcs = number;
        if (word->phyMode == QStringLiteral("n") && number < htIndexLimit)
            detail.nss = number / htIndicesPerStream + 1;
    }
    if (!described)
        return std::nullopt;
    detail.shortGI = detail.shortGI.value_or(false);
    return detail;
}

std::optional<QString> flagsPhyMode(const QString& flags) {
    for (const auto& [flag, phyMode] : {std::pair("[EHT]", "be"), std::pair("[HE]", "ax"),
                                        std::pair("[VHT]", "ac"), std::pair("[HT]", "n")})
        if (flags.contains(QLatin1String(flag)))
            return QString::fromLatin1(phyMode);
    return std::nullopt;
}

} // namespace

bool isStationMAC(const QString& text) {
    static const QRegularExpression macText(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}")));
    return macText.match(text).hasMatch();
}

std::optional<HostapdStation> hostapdStation(const QString& output, const QString& mac) {
    std::optional<HostapdStation> active;
    std::uint64_t activeIdleMs = 0;
    for (const auto& entry : stationEntries(output, mac)) {
        if (!namesStation(entry, mac))
            continue;
        const StationFields& fields = entry.second;
        const std::optional<int> rssi = signalDBm(fields);
        const QString rateInfo = fields.value(QStringLiteral("tx_rate_info"));
        const double txRate = rateMbps(rateInfo);
        // The driver's way of saying that an idle link measured nothing: not a
        // station at the edge of its range.
        if (!rssi || (*rssi <= idleLinkSignal && txRate == 0.0))
            continue;
        const std::uint64_t idleMs = counter(fields, QStringLiteral("inactive_msec"));
        const HostapdStation station{*rssi,
                                     counter(fields, QStringLiteral("tx_bytes")),
                                     counter(fields, QStringLiteral("rx_bytes")),
                                     txRate,
                                     rateDetail(rateInfo),
                                     flagsPhyMode(fields.value(QStringLiteral("flags")))};
        // The link in use: the one heard from last, then the one that carried more.
        if (!active || idleMs < activeIdleMs ||
            (idleMs == activeIdleMs &&
             station.txBytes + station.rxBytes > active->txBytes + active->rxBytes)) {
            active = station;
            activeIdleMs = idleMs;
        }
    }
    return active;
}
