#pragma once

#include "router/ClientLinkDetail.h"

#include <QString>
#include <cstdint>
#include <optional>

// A station's entry as the access point's hostapd reports it.
struct HostapdStation {
    // dBm.
    int rssi = 0;
    std::uint64_t txBytes = 0;
    std::uint64_t rxBytes = 0;
    // Mbit/s from `tx_rate_info`; 0 when the line is missing or unreadable.
    double txRate = 0.0;
    // What the words after that rate tell of the link as it is now ("12010
    // vhtmcs 8 vhtnss 2 shortGI"): MCS, streams, guard interval (long unless
    // "shortGI" is among them) and the PHY mode the MCS belongs to. None without
    // such words; never a width.
    std::optional<ClientLinkDetail> rateDetail;
    // The newest PHY mode the `flags` line grants: [EHT] "be", [HE] "ax", [VHT]
    // "ac", [HT] "n".
    std::optional<QString> flagsPhyMode;

    bool operator==(const HostapdStation&) const = default;
};

// A bare colon-separated MAC, as hostapd heads a station's entry with it.
bool isStationMAC(const QString& text);

// The entry for `mac` in the text of `hostapd_cli sta MAC` or `all_sta`. Each
// station's block starts with its bare MAC line; lines before any MAC line count
// as the station asked for. A multi-link station may stand under its links'
// addresses, each naming it (`mld_addr`, `peer_addr[N]`): the link in use is
// read, the one with the least idle time. None when no entry has a usable
// `signal` line (which covers "FAIL", empty output and a signal of 0 or above),
// or only an idle link's -95 dBm at rate 0.
std::optional<HostapdStation> hostapdStation(const QString& output, const QString& mac);
