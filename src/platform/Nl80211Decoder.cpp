#include "platform/Nl80211Decoder.h"

#include <array>
#include <cstdint>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>

namespace {

constexpr int macLength = 6;
constexpr int ssidElementId = 0;
constexpr int maximumSsidLength = 32;

// The kernel sends these as unsigned bytes holding a signed dBm value.
int signedDbm(const nlattr* attribute) {
    return static_cast<int8_t>(nla_get_u8(attribute));
}

// Policies make libnl refuse attributes too short for their type, so a hostile
// or truncated message is rejected instead of read past its end.
template <size_t size> using Policy = std::array<nla_policy, size>;

const Policy<NL80211_ATTR_MAX + 1>& topLevelPolicy() {
    static const Policy<NL80211_ATTR_MAX + 1> policy = [] {
        Policy<NL80211_ATTR_MAX + 1> p{};
        p[NL80211_ATTR_IFINDEX].type = NLA_U32;
        p[NL80211_ATTR_IFNAME].type = NLA_STRING;
        p[NL80211_ATTR_IFTYPE].type = NLA_U32;
        p[NL80211_ATTR_WIPHY_FREQ].type = NLA_U32;
        p[NL80211_ATTR_BSS].type = NLA_NESTED;
        p[NL80211_ATTR_STA_INFO].type = NLA_NESTED;
        p[NL80211_ATTR_SURVEY_INFO].type = NLA_NESTED;
        p[NL80211_ATTR_PS_STATE].type = NLA_U32;
        return p;
    }();
    return policy;
}

using TopLevel = std::array<nlattr*, NL80211_ATTR_MAX + 1>;

std::optional<TopLevel> parseTopLevel(nlmsghdr* message) {
    TopLevel attributes{};
    if (message == nullptr ||
        genlmsg_parse(message, 0, attributes.data(), NL80211_ATTR_MAX, topLevelPolicy().data()) < 0)
        return std::nullopt;
    return attributes;
}

template <int maximum>
std::optional<std::array<nlattr*, maximum + 1>> parseNested(nlattr* nest, const Policy<maximum + 1>& policy) {
    std::array<nlattr*, maximum + 1> attributes{};
    if (nest == nullptr || nla_parse_nested(attributes.data(), maximum, nest, policy.data()) < 0)
        return std::nullopt;
    return attributes;
}

QByteArray attributeBytes(const nlattr* attribute) {
    if (attribute == nullptr)
        return {};
    return QByteArray(static_cast<const char*>(nla_data(attribute)), nla_len(attribute));
}

} // namespace

std::optional<Nl80211Interface> decodeInterface(nlmsghdr* message) {
    const std::optional<TopLevel> attributes = parseTopLevel(message);
    if (!attributes || (*attributes)[NL80211_ATTR_IFINDEX] == nullptr)
        return std::nullopt;
    const TopLevel& a = *attributes;

    Nl80211Interface interface;
    interface.ifindex = static_cast<int>(nla_get_u32(a[NL80211_ATTR_IFINDEX]));
    if (a[NL80211_ATTR_IFNAME] != nullptr)
        interface.name = QString::fromUtf8(nla_get_string(a[NL80211_ATTR_IFNAME]));
    interface.isStation =
        a[NL80211_ATTR_IFTYPE] != nullptr && nla_get_u32(a[NL80211_ATTR_IFTYPE]) == NL80211_IFTYPE_STATION;
    if (a[NL80211_ATTR_WIPHY_FREQ] != nullptr)
        interface.frequency = static_cast<int>(nla_get_u32(a[NL80211_ATTR_WIPHY_FREQ]));
    return interface;
}

std::optional<Nl80211Bss> decodeScanBss(nlmsghdr* message) {
    const std::optional<TopLevel> attributes = parseTopLevel(message);
    if (!attributes)
        return std::nullopt;

    static const Policy<NL80211_BSS_MAX + 1> policy = [] {
        Policy<NL80211_BSS_MAX + 1> p{};
        p[NL80211_BSS_BSSID] = {NLA_UNSPEC, macLength, macLength};
        p[NL80211_BSS_FREQUENCY].type = NLA_U32;
        p[NL80211_BSS_STATUS].type = NLA_U32;
        return p;
    }();
    const auto bssAttributes = parseNested<NL80211_BSS_MAX>((*attributes)[NL80211_ATTR_BSS], policy);
    if (!bssAttributes)
        return std::nullopt;
    const auto& b = *bssAttributes;
    const QByteArray bssid = attributeBytes(b[NL80211_BSS_BSSID]);
    if (bssid.size() != macLength || b[NL80211_BSS_FREQUENCY] == nullptr)
        return std::nullopt;

    Nl80211Bss bss;
    bss.bssid = bssid;
    bss.frequency = static_cast<int>(nla_get_u32(b[NL80211_BSS_FREQUENCY]));
    // The probe-response elements name a hidden network that its beacons leave blank.
    bss.ssid = ssidFromElements(attributeBytes(b[NL80211_BSS_INFORMATION_ELEMENTS]));
    if (!bss.ssid)
        bss.ssid = ssidFromElements(attributeBytes(b[NL80211_BSS_BEACON_IES]));
    bss.associated = b[NL80211_BSS_STATUS] != nullptr &&
                     nla_get_u32(b[NL80211_BSS_STATUS]) == NL80211_BSS_STATUS_ASSOCIATED;
    return bss;
}

std::optional<Nl80211Station> decodeStation(nlmsghdr* message) {
    const std::optional<TopLevel> attributes = parseTopLevel(message);
    if (!attributes)
        return std::nullopt;

    static const Policy<NL80211_STA_INFO_MAX + 1> stationPolicy = [] {
        Policy<NL80211_STA_INFO_MAX + 1> p{};
        p[NL80211_STA_INFO_SIGNAL].type = NLA_U8;
        p[NL80211_STA_INFO_TX_BITRATE].type = NLA_NESTED;
        return p;
    }();
    const auto info = parseNested<NL80211_STA_INFO_MAX>((*attributes)[NL80211_ATTR_STA_INFO], stationPolicy);
    if (!info)
        return std::nullopt;

    Nl80211Station station;
    if ((*info)[NL80211_STA_INFO_SIGNAL] != nullptr)
        station.signal = signedDbm((*info)[NL80211_STA_INFO_SIGNAL]);

    static const Policy<NL80211_RATE_INFO_MAX + 1> ratePolicy = [] {
        Policy<NL80211_RATE_INFO_MAX + 1> p{};
        p[NL80211_RATE_INFO_BITRATE].type = NLA_U16;
        p[NL80211_RATE_INFO_BITRATE32].type = NLA_U32;
        p[NL80211_RATE_INFO_MCS].type = NLA_U8;
        p[NL80211_RATE_INFO_VHT_MCS].type = NLA_U8;
        p[NL80211_RATE_INFO_HE_MCS].type = NLA_U8;
        p[NL80211_RATE_INFO_EHT_MCS].type = NLA_U8;
        return p;
    }();
    nlattr* rateNest = (*info)[NL80211_STA_INFO_TX_BITRATE];
    if (rateNest == nullptr)
        return station;
    const auto rate = parseNested<NL80211_RATE_INFO_MAX>(rateNest, ratePolicy);
    if (!rate)
        return std::nullopt;
    const auto& r = *rate;

    // Both are in units of 100 kbit/s; the 16-bit one overflows above 6.5 Gbit/s.
    if (r[NL80211_RATE_INFO_BITRATE32] != nullptr)
        station.transmitRate = nla_get_u32(r[NL80211_RATE_INFO_BITRATE32]) / 10.0;
    else if (r[NL80211_RATE_INFO_BITRATE] != nullptr)
        station.transmitRate = nla_get_u16(r[NL80211_RATE_INFO_BITRATE]) / 10.0;

    if (r[NL80211_RATE_INFO_EHT_MCS] != nullptr)
        station.rateKind = Nl80211RateKind::eht;
    else if (r[NL80211_RATE_INFO_HE_MCS] != nullptr)
        station.rateKind = Nl80211RateKind::he;
    else if (r[NL80211_RATE_INFO_VHT_MCS] != nullptr)
        station.rateKind = Nl80211RateKind::vht;
    else if (r[NL80211_RATE_INFO_MCS] != nullptr)
        station.rateKind = Nl80211RateKind::ht;
    return station;
}

std::optional<Nl80211Survey> decodeSurvey(nlmsghdr* message) {
    const std::optional<TopLevel> attributes = parseTopLevel(message);
    if (!attributes)
        return std::nullopt;

    static const Policy<NL80211_SURVEY_INFO_MAX + 1> policy = [] {
        Policy<NL80211_SURVEY_INFO_MAX + 1> p{};
        p[NL80211_SURVEY_INFO_FREQUENCY].type = NLA_U32;
        p[NL80211_SURVEY_INFO_NOISE].type = NLA_U8;
        p[NL80211_SURVEY_INFO_IN_USE].type = NLA_FLAG;
        return p;
    }();
    const auto info = parseNested<NL80211_SURVEY_INFO_MAX>((*attributes)[NL80211_ATTR_SURVEY_INFO], policy);
    if (!info || (*info)[NL80211_SURVEY_INFO_FREQUENCY] == nullptr)
        return std::nullopt;

    Nl80211Survey survey;
    survey.frequency = static_cast<int>(nla_get_u32((*info)[NL80211_SURVEY_INFO_FREQUENCY]));
    survey.inUse = (*info)[NL80211_SURVEY_INFO_IN_USE] != nullptr;
    if ((*info)[NL80211_SURVEY_INFO_NOISE] != nullptr)
        survey.noise = signedDbm((*info)[NL80211_SURVEY_INFO_NOISE]);
    return survey;
}

std::optional<bool> decodePowerSave(nlmsghdr* message) {
    const std::optional<TopLevel> attributes = parseTopLevel(message);
    if (!attributes || (*attributes)[NL80211_ATTR_PS_STATE] == nullptr)
        return std::nullopt;
    switch (nla_get_u32((*attributes)[NL80211_ATTR_PS_STATE])) {
    case NL80211_PS_DISABLED:
        return false;
    case NL80211_PS_ENABLED:
        return true;
    default:
        return std::nullopt;
    }
}

std::optional<QString> ssidFromElements(const QByteArray& elements) {
    qsizetype position = 0;
    while (position + 2 <= elements.size()) {
        const int id = static_cast<uint8_t>(elements[position]);
        const qsizetype length = static_cast<uint8_t>(elements[position + 1]);
        const qsizetype start = position + 2;
        if (start + length > elements.size())
            return std::nullopt;
        if (id == ssidElementId) {
            const QByteArray ssid = elements.mid(start, length);
            if (ssid.isEmpty() || ssid.size() > maximumSsidLength || ssid.count('\0') == ssid.size())
                return std::nullopt;
            return QString::fromUtf8(ssid);
        }
        position = start + length;
    }
    return std::nullopt;
}

std::optional<int> channelBandForFrequency(int megahertz) {
    if (megahertz >= 2400 && megahertz <= 2500)
        return 1;
    if (megahertz >= 4900 && megahertz <= 5900)
        return 2;
    if (megahertz >= 5925 && megahertz <= 7125)
        return 3;
    return std::nullopt;
}

int phyModeFor(Nl80211RateKind kind, std::optional<int> channelBand, double transmitRate) {
    switch (kind) {
    case Nl80211RateKind::eht:
        return 7;
    case Nl80211RateKind::he:
        return 6;
    case Nl80211RateKind::vht:
        return 5;
    case Nl80211RateKind::ht:
        return 4;
    case Nl80211RateKind::legacy:
        break;
    }
    if (!channelBand)
        return 0;
    // 802.11b tops out at 11 Mbit/s; anything faster on 2.4 GHz is OFDM, so g.
    if (*channelBand == 1)
        return transmitRate > 11.0 ? 3 : 2;
    return 1;
}

LocalLinkReading assembleLinkReading(const Nl80211Interface& interface, const std::optional<Nl80211Bss>& bss,
                                     const std::optional<Nl80211Station>& station, std::optional<int> noise) {
    LocalLinkReading reading;
    reading.interfaceName = interface.name;
    reading.channelBand = channelBandForFrequency(bss ? bss->frequency : interface.frequency.value_or(0));
    if (!bss || !station || !station->signal)
        return reading;

    reading.ssid = bss->ssid;
    reading.rssi = *station->signal;
    reading.noise = noise;
    if (station->transmitRate) {
        reading.transmitRate = *station->transmitRate;
        reading.phyMode = phyModeFor(station->rateKind, reading.channelBand, *station->transmitRate);
    }
    return reading;
}
