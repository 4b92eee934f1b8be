#include "platform/NoWirelessLink.h"

std::optional<int> NoWirelessLink::currentChannelBand() const {
    return std::nullopt;
}

std::optional<LocalLinkReading> NoWirelessLink::currentLink() const {
    return std::nullopt;
}
