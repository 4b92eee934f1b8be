#pragma once

#include "platform/Nl80211Decoder.h"
#include "platform/WirelessLink.h"

#include <cstdint>
#include <functional>
#include <memory>

class EventLogger;
struct nl_msg;
struct nl_sock;

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
    enum class Outcome { answered, refused, broken };

    struct SocketDeleter {
        void operator()(nl_sock* socket) const;
    };

    bool connect() const;
    void disconnect() const;
    Outcome request(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                    const std::function<void(nlmsghdr*)>& onAnswer) const;
    std::optional<Nl80211Interface> firstStationInterface() const;
    std::optional<Nl80211Bss> associatedBss(int ifindex) const;
    std::optional<Nl80211Station> accessPointStation(int ifindex, const QByteArray& bssid) const;
    std::optional<int> inUseChannelNoise(int ifindex) const;

    EventLogger& logger;
    // Opened on the first read and again after any failure, so a machine whose
    // Wi-Fi driver loads later (a USB adapter) is found at a later read.
    mutable std::unique_ptr<nl_sock, SocketDeleter> socket;
    mutable int familyId = -1;
    mutable bool hasLoggedMissingNl80211 = false;
    mutable bool hasLoggedBrokenSocket = false;
};
