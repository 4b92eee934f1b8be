#pragma once

#include "router/RouterClient.h"
#include "router/unifi/HostapdStation.h"

#include <QString>
#include <optional>

// What hostapd does not tell about a station, kept from its last /stat/sta row.
struct CachedStationFacts {
    QString ip;
    QString hostname;
    QString band;
    std::optional<int> nss;
    std::optional<int> widthMHz;
    std::optional<QString> radioProto;

    bool operator==(const CachedStationFacts&) const = default;
};

CachedStationFacts cachedStationFacts(const RouterClient& stationRow);

// The target's row from its hostapd entry, completed from the cached facts; the
// rate is hostapd's current one, so the camera is classified by the same rate
// table as on the station list. The words after that rate describe the link as
// it is now, so their MCS, streams, guard interval and PHY mode come ahead of
// the controller's last report; the `flags` line names the PHY mode only when
// neither tells it. The cached width wins over one estimated from the rate.
RouterClient accessPointRow(const QString& mac, const HostapdStation& station,
                            const CachedStationFacts& facts);
