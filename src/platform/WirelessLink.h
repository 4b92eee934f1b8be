#pragma once

#include "platform/LocalLinkReading.h"

#include <optional>

// The computer's own Wi-Fi interface. Reads are quick kernel queries, safe on the
// main thread.
class WirelessLink {
public:
    WirelessLink() = default;
    WirelessLink(const WirelessLink&) = delete;
    WirelessLink& operator=(const WirelessLink&) = delete;
    virtual ~WirelessLink() = default;

    // The band of the current interface's channel: 1 = 2.4 GHz, 2 = 5 GHz,
    // 3 = 6 GHz. None when there is no interface or it has no channel.
    virtual std::optional<int> currentChannelBand() const = 0;

    // The current interface (the first Wi-Fi station interface); none when the
    // machine has none right now.
    virtual std::optional<LocalLinkReading> currentLink() const = 0;
};
