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

    ClientLinkDetail detail = station.rateDetail.value_or(ClientLinkDetail());
    if (!detail.nss)
        detail.nss = facts.nss;
    if (!detail.phyMode)
        detail.phyMode = facts.radioProto ? facts.radioProto : station.flagsPhyMode;
    detail.widthMHz =
        facts.widthMHz ? facts.widthMHz : estimatedWidthMHz(station.txRate, detail.nss, detail.phyMode);
    row.linkDetail = detail;
    return row;
}
