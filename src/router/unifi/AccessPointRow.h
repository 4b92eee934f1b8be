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

// The channel width a rate implies when the controller named none: the rate per
// stream against the top rates of 20, 40 and 80 MHz channels (of 802.11ax when
// `radioProto` is "ax"). None without a rate.
std::optional<int> estimatedWidthMHz(double rateMbps, std::optional<int> nss,
                                     const std::optional<QString>& radioProto);

// The target's row from its hostapd entry, completed from the cached facts; the
// rate is hostapd's current one, so the camera is classified by the same rate
// table as on the station list.
RouterClient accessPointRow(const QString& mac, const HostapdStation& station,
                            const CachedStationFacts& facts);
