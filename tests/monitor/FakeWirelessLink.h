#pragma once

#include "platform/WirelessLink.h"

// A wireless link whose channel band the test sets.
class FakeWirelessLink : public WirelessLink {
public:
    explicit FakeWirelessLink(std::optional<int> band = std::nullopt)
        : band(band) {}
    std::optional<int> currentChannelBand() const override { return band; }

    std::optional<int> band;
};
