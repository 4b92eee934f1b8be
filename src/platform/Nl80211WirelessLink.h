#pragma once

#include "platform/Nl80211Decoder.h"
#include "platform/Nl80211Socket.h"
#include "platform/WirelessLink.h"

#include <cstdint>
#include <functional>

class EventLogger;

// The local Wi-Fi link read from the kernel's nl80211 interface the way
// `iw dev X link` reads it: the first station interface, the associated BSS
// from the scan cache (never starting a scan), the access point's station
// entry and the in-use channel's survey. Main thread only.
class Nl80211WirelessLink : public WirelessLink {
public:
    explicit Nl80211WirelessLink(EventLogger& logger);
    ~Nl80211WirelessLink() override;

    std::optional<LocalLinkReading> currentLink() const override;

private:
    using Outcome = Nl80211Socket::Status;

    bool connect() const;
    Outcome request(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                    const std::function<void(nlmsghdr*)>& onAnswer) const;
    std::optional<Nl80211Interface> firstStationInterface() const;
    std::optional<Nl80211Bss> associatedBss(int ifindex) const;
    std::optional<Nl80211Station> accessPointStation(int ifindex, const QByteArray& bssid) const;
    std::optional<int> inUseChannelNoise(int ifindex) const;

    EventLogger& logger;
    // Opened on the first read and again after any failure, so a machine whose
    // Wi-Fi driver loads later (a USB adapter) is found at a later read.
    mutable Nl80211Socket socket;
    mutable bool hasLoggedMissingNl80211 = false;
    mutable bool hasLoggedBrokenSocket = false;
};
