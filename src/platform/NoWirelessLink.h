#pragma once

#include "platform/WirelessLink.h"

// For machines without a Wi-Fi interface, and wherever none should be consulted.
class NoWirelessLink : public WirelessLink {
public:
    std::optional<LocalLinkReading> currentLink() const override;
};
