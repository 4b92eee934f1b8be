#pragma once

#include "platform/WirelessLink.h"

// A wireless link whose reading the test sets, counting how often it is read.
class FakeWirelessLink : public WirelessLink {
public:
    std::optional<LocalLinkReading> currentLink() const override {
        ++reads;
        return reading;
    }

    std::optional<LocalLinkReading> reading;
    mutable int reads = 0;
};
