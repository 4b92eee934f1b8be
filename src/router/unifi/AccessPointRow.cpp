#include "router/unifi/AccessPointRow.h"

#include "router/RowNormalisation.h"

CachedStationFacts cachedStationFacts(const RouterClient& stationRow) {
    CachedStationFacts facts{stationRow.ip, stationRow.hostname, stationRow.iface, {}, {}, {}};
    if (stationRow.linkDetail) {
        facts.nss = stationRow.linkDetail->nss;
        facts.widthMHz = stationRow.linkDetail->widthMHz;
        facts.radioProto = stationRow.linkDetail->phyMode;
    }
    return facts;
}

std::optional<int> estimatedWidthMHz(double rateMbps, std::optional<int> nss,
                                     const std::optional<QString>& radioProto) {
    if (!(rateMbps > 0.0))
        return std::nullopt;
    const double perStream = nss && *nss > 0 ? rateMbps / *nss : rateMbps;
    const bool isAX = radioProto == QStringLiteral("ax");
    if (perStream > (isAX ? 1200.0 : 500.0))
        return 160;
    if (perStream > (isAX ? 600.0 : 200.0))
        return 80;
    if (perStream > (isAX ? 286.0 : 100.0))
        return 40;
    return 20;
}

RouterClient accessPointRow(const QString& mac, const HostapdStation& station,
                            const CachedStationFacts& facts) {
    RouterClient row;
    row.mac = mac;
    row.ip = facts.ip;
    row.hostname = facts.hostname;
    row.iface = facts.band.isEmpty() ? BandLabel::unknownWireless : facts.band;
    row.rssi = station.rssi;
    row.txRate = station.txRate;
    row.isOnline = true;
    row.txBytes = station.txBytes;
    row.rxBytes = station.rxBytes;

    ClientLinkDetail detail;
    detail.nss = facts.nss;
    detail.phyMode = facts.radioProto;
    detail.widthMHz =
        facts.widthMHz ? facts.widthMHz : estimatedWidthMHz(station.txRate, facts.nss, facts.radioProto);
    row.linkDetail = detail;
    return row;
}
