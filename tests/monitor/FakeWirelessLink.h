#pragma once

#include "platform/WirelessLink.h"

// A wireless link whose reading the test sets; the channel band follows the reading
// unless set on its own.
class FakeWirelessLink : public WirelessLink {
public:
    explicit FakeWirelessLink(std::optional<int> band = std::nullopt)
        : band(band) {}
    std::optional<int> currentChannelBand() const override { return reading ? reading->channelBand : band; }
    std::optional<LocalLinkReading> currentLink() const override {
        ++reads;
        return reading;
    }

    std::optional<int> band;
    std::optional<LocalLinkReading> reading;
    mutable int reads = 0;
};
