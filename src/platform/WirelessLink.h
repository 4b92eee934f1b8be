#pragma once

#include "platform/LocalLinkReading.h"

#include <optional>

// The computer's own Wi-Fi interface. A read is a kernel query, quick as a rule,
// but a wedged driver can hold it for up to a second: read once per poll.
class WirelessLink {
public:
    WirelessLink() = default;
    WirelessLink(const WirelessLink&) = delete;
    WirelessLink& operator=(const WirelessLink&) = delete;
    virtual ~WirelessLink() = default;

    // The current interface (the first Wi-Fi station interface); none when the
    // machine has none right now.
    virtual std::optional<LocalLinkReading> currentLink() const = 0;
};
