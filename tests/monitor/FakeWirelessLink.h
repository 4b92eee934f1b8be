#pragma once

#include "platform/WirelessLink.h"

// A wireless link whose reading the test sets, counting how often it is read.
class FakeWirelessLink : public WirelessLink {
public:
    std::optional<LocalLinkReading> currentLink() const override {
        ++reads;
        return reading;
    }

    // Associated with "Studio" on 5 GHz, well inside what tethering needs.
    void joinStudioOnFiveGigahertz() {
        reading = LocalLinkReading{.interfaceName = QStringLiteral("wlan0"),
                                   .ssid = QStringLiteral("Studio"),
                                   .rssi = -52,
                                   .noise = std::nullopt,
                                   .transmitRate = 866.7,
                                   .phyMode = 5,
                                   .channelBand = 2};
    }

    std::optional<LocalLinkReading> reading;
    mutable int reads = 0;
};
