#pragma once

#include <QString>
#include <optional>

// One reading of the computer's own Wi-Fi interface.
struct LocalLinkReading {
    QString interfaceName;
    // None when the interface is not associated or the SSID cannot be read.
    std::optional<QString> ssid;
    // dBm; 0 when not associated.
    int rssi = 0;
    // dBm; none where the driver reports no noise (many do).
    std::optional<int> noise;
    // Mbit/s.
    double transmitRate = 0.0;
    // 1 802.11a, 2 b, 3 g, 4 n, 5 ac, 6 ax, 7 be; 0 when unknown.
    int phyMode = 0;
    // 1 = 2.4 GHz, 2 = 5 GHz, 3 = 6 GHz; none without a channel.
    std::optional<int> channelBand;

    bool operator==(const LocalLinkReading&) const = default;
};
