#include "platform/NoWirelessLink.h"

std::optional<int> NoWirelessLink::currentChannelBand() const {
    return std::nullopt;
}
