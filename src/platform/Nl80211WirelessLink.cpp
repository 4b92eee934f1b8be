#include "platform/Nl80211WirelessLink.h"

#include "logs/EventLogger.h"

#include <chrono>
#include <linux/nl80211.h>
#include <netlink/attr.h>

namespace {

// nl80211 answers from the kernel at once; a driver that holds its lock longer
// than this must not freeze the main thread.
constexpr std::chrono::milliseconds answerTimeout{1000};

} // namespace

Nl80211WirelessLink::Nl80211WirelessLink(EventLogger& logger)
    : logger(logger) {}

Nl80211WirelessLink::~Nl80211WirelessLink() = default;

std::optional<LocalLinkReading> Nl80211WirelessLink::currentLink() const {
    const std::optional<Nl80211Interface> interface = firstStationInterface();
    if (!interface)
        return std::nullopt;
    const std::optional<Nl80211Bss> bss = associatedBss(interface->ifindex);
    const std::optional<Nl80211Station> station =
        bss ? accessPointStation(interface->ifindex, bss->bssid) : std::nullopt;
    const std::optional<int> noise = station ? inUseChannelNoise(interface->ifindex) : std::nullopt;
    return assembleLinkReading(*interface, bss, station, noise);
}

bool Nl80211WirelessLink::connect() const {
    if (socket.isOpen())
        return true;
    // Absent on machines without any Wi-Fi driver loaded; asked again at the next
    // reading, since plugging in an adapter loads one.
    if (socket.open() == Nl80211Socket::Opening::noNl80211 && !hasLoggedMissingNl80211) {
        hasLoggedMissingNl80211 = true;
        logger.logDebug(VtCode::signalUnavailable,
                        QStringLiteral("nl80211 is not available: no Wi-Fi interface to read"));
    }
    return socket.isOpen();
}

Nl80211WirelessLink::Outcome
Nl80211WirelessLink::request(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                             const std::function<void(nlmsghdr*)>& onAnswer) const {
    if (!connect())
        return Outcome::broken;
    const Outcome outcome = socket.request(command, dump, fill, onAnswer, answerTimeout).status;
    if (outcome == Outcome::broken && !hasLoggedBrokenSocket) {
        hasLoggedBrokenSocket = true;
        logger.logDebug(VtCode::signalUnavailable,
                        QStringLiteral("nl80211 did not answer; the link is read afresh next time"));
    }
    return outcome;
}

std::optional<Nl80211Interface> Nl80211WirelessLink::firstStationInterface() const {
    std::optional<Nl80211Interface> first;
    const Outcome outcome = request(
        NL80211_CMD_GET_INTERFACE, true, [](nl_msg*) { return true; },
        [&first](nlmsghdr* answer) {
            if (first)
                return;
            std::optional<Nl80211Interface> interface = decodeInterface(answer);
            if (interface && interface->isStation)
                first = std::move(interface);
        });
    return outcome == Outcome::answered ? first : std::nullopt;
}

std::optional<Nl80211Bss> Nl80211WirelessLink::associatedBss(int ifindex) const {
    std::optional<Nl80211Bss> associated;
    const Outcome outcome = request(
        NL80211_CMD_GET_SCAN, true,
        [ifindex](nl_msg* message) { return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0; },
        [&associated](nlmsghdr* answer) {
            if (associated)
                return;
            std::optional<Nl80211Bss> bss = decodeScanBss(answer);
            if (bss && bss->associated)
                associated = std::move(bss);
        });
    return outcome == Outcome::answered ? associated : std::nullopt;
}

std::optional<Nl80211Station> Nl80211WirelessLink::accessPointStation(int ifindex,
                                                                      const QByteArray& bssid) const {
    std::optional<Nl80211Station> station;
    const Outcome outcome = request(
        NL80211_CMD_GET_STATION, false,
        [ifindex, &bssid](nl_msg* message) {
            return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0 &&
                   nla_put(message, NL80211_ATTR_MAC, static_cast<int>(bssid.size()), bssid.constData()) == 0;
        },
        [&station](nlmsghdr* answer) {
            if (!station)
                station = decodeStation(answer);
        });
    return outcome == Outcome::answered ? station : std::nullopt;
}

std::optional<int> Nl80211WirelessLink::inUseChannelNoise(int ifindex) const {
    std::optional<int> noise;
    const Outcome outcome = request(
        NL80211_CMD_GET_SURVEY, true,
        [ifindex](nl_msg* message) { return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0; },
        [&noise](nlmsghdr* answer) {
            const std::optional<Nl80211Survey> survey = decodeSurvey(answer);
            if (survey && survey->inUse && !noise)
                noise = survey->noise;
        });
    return outcome == Outcome::answered ? noise : std::nullopt;
}
