#pragma once

#include "router/ClientLinkDetail.h"

#include <QString>
#include <cstdint>
#include <optional>

// One wireless client row, the same whatever router family it came from.
struct RouterClient {
    QString mac;
    QString ip;
    QString hostname;
    // "2.4G", "5G", "6G", the router's own interface or band text, or "wlan".
    QString iface;
    // dBm; -99 when unknown.
    int rssi = -99;
    // Mbit/s; 0 when unknown.
    double txRate = 0.0;
    bool isOnline = false;
    std::uint64_t txBytes = 0;
    std::uint64_t rxBytes = 0;
    std::optional<ClientLinkDetail> linkDetail;
    // The router lists the station, but the channel its radio figures come over
    // (the router's ssh) is not answering: `rssi` and `txRate` then say nothing
    // about the link, and the station may well be fine.
    bool radioTransportDown = false;
    // The site's name of the access point the station hangs on, where the
    // router tells; empty otherwise.
    QString accessPoint = {};

    bool operator==(const RouterClient&) const = default;
};

class SettingsStore;

// The name shown for a row: the user's own name for the MAC, the hostname, the
// second-generation camera model, the camera vendor, or "(unknown)".
QString displayName(const RouterClient& row, const SettingsStore& settings);
