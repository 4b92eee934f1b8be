#include "platform/NoWirelessLink.h"

std::optional<LocalLinkReading> NoWirelessLink::currentLink() const {
    return std::nullopt;
}
