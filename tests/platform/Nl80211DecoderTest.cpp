#include "platform/Nl80211Decoder.h"

#include "platform/NetlinkMessage.h"

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <vector>

namespace {

template <typename Fill> NetlinkMessage nl80211Message(uint8_t command, Fill fill) {
    NetlinkMessage message(nlmsg_alloc());
    genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, 0x1c, 0, 0, command, 0);
    fill(message.get());
    return message;
}

template <typename Inner> void nest(nl_msg* message, int type, Inner inner) {
    nlattr* start = nla_nest_start(message, type);
    inner(message);
    nla_nest_end(message, start);
}

// The kernel's unsigned byte for a dBm value.
uint8_t dbmByte(int dbm) {
    return static_cast<uint8_t>(static_cast<int8_t>(dbm));
}

const QByteArray bssid("\x02\x11\x22\x33\x44\x55", 6);
// Supported rates first, then the SSID.
const QByteArray studioElements("\x01\x02\x82\x84\x00\x06Studio", 12);

TEST(Nl80211InterfaceDecoding, ReadsIndexNameTypeAndChannel) {
    const NetlinkMessage message = nl80211Message(NL80211_CMD_NEW_INTERFACE, [](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
        nla_put_string(m, NL80211_ATTR_IFNAME, "wlp2s0");
        nla_put_u32(m, NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION);
        nla_put_u32(m, NL80211_ATTR_WIPHY_FREQ, 5180);
    });
    EXPECT_EQ(decodeInterface(nlmsg_hdr(message.get())),
              (Nl80211Interface{3, QStringLiteral("wlp2s0"), true, 5180}));

    const NetlinkMessage accessPoint = nl80211Message(NL80211_CMD_NEW_INTERFACE, [](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 4);
        nla_put_u32(m, NL80211_ATTR_IFTYPE, NL80211_IFTYPE_AP);
    });
    EXPECT_EQ(decodeInterface(nlmsg_hdr(accessPoint.get())),
              (Nl80211Interface{4, QString(), false, std::nullopt}));
}

std::optional<Nl80211Bss> scanBss(const QByteArray& elements, const QByteArray& beaconElements,
                                  std::optional<uint32_t> status) {
    const NetlinkMessage message = nl80211Message(NL80211_CMD_NEW_SCAN_RESULTS, [&](nl_msg* m) {
        nest(m, NL80211_ATTR_BSS, [&](nl_msg* m) {
            nla_put(m, NL80211_BSS_BSSID, 6, bssid.constData());
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 5500);
            if (!elements.isNull())
                nla_put(m, NL80211_BSS_INFORMATION_ELEMENTS, int(elements.size()), elements.constData());
            if (!beaconElements.isNull())
                nla_put(m, NL80211_BSS_BEACON_IES, int(beaconElements.size()), beaconElements.constData());
            if (status)
                nla_put_u32(m, NL80211_BSS_STATUS, *status);
        });
    });
    return decodeScanBss(nlmsg_hdr(message.get()));
}

// The probe response names a network whose beacon hides it; a beacon alone will do.
TEST(Nl80211ScanBssDecoding, ReadsTheCachedBssAndItsName) {
    const QByteArray hidden("\x00\x00", 2);
    constexpr uint32_t associated = NL80211_BSS_STATUS_ASSOCIATED;
    const Nl80211Bss studio{bssid, 5500, QStringLiteral("Studio"), false};
    EXPECT_EQ(scanBss(studioElements, {}, associated),
              (Nl80211Bss{bssid, 5500, QStringLiteral("Studio"), true}));
    EXPECT_EQ(scanBss(studioElements, hidden, std::nullopt), studio);
    EXPECT_EQ(scanBss({}, studioElements, std::nullopt), studio);
    EXPECT_EQ(scanBss(hidden, hidden, associated), (Nl80211Bss{bssid, 5500, std::nullopt, true}));
}

// `mcs` lists the MCS attributes present in the rate, each marking its kind of rate.
std::optional<Nl80211Station> station(int signal, std::optional<uint32_t> bitrate32,
                                      std::optional<uint16_t> bitrate16, std::vector<int> mcs = {}) {
    const NetlinkMessage message = nl80211Message(NL80211_CMD_NEW_STATION, [&](nl_msg* m) {
        nest(m, NL80211_ATTR_STA_INFO, [&](nl_msg* m) {
            nla_put_u8(m, NL80211_STA_INFO_SIGNAL, dbmByte(signal));
            if (!bitrate32 && !bitrate16)
                return;
            nest(m, NL80211_STA_INFO_TX_BITRATE, [&](nl_msg* m) {
                if (bitrate32)
                    nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, *bitrate32);
                if (bitrate16)
                    nla_put_u16(m, NL80211_RATE_INFO_BITRATE, *bitrate16);
                for (const int attribute : mcs)
                    nla_put_u8(m, attribute, 7);
            });
        });
    });
    return decodeStation(nlmsg_hdr(message.get()));
}

TEST(Nl80211StationDecoding, ReadsSignalRateAndKind) {
    using Kind = Nl80211RateKind;
    EXPECT_EQ(station(-67, {}, 8667, {NL80211_RATE_INFO_VHT_MCS}), (Nl80211Station{-67, 866.7, Kind::vht}));
    // EHT outranks HE when a rate carries both.
    EXPECT_EQ(station(-40, 288240, {}, {NL80211_RATE_INFO_HE_MCS, NL80211_RATE_INFO_EHT_MCS}),
              (Nl80211Station{-40, 28824.0, Kind::eht}));
    // The 32-bit rate wins over the 16-bit one, which overflows at fast rates.
    EXPECT_EQ(station(-50, 70000, 0), (Nl80211Station{-50, 7000.0, Kind::legacy}));
    // The kernel's byte is signed: the weakest signal stays negative.
    EXPECT_EQ(station(-128, {}, 10), (Nl80211Station{-128, 1.0, Kind::legacy}));
    EXPECT_EQ(station(-60, {}, {}), (Nl80211Station{-60, std::nullopt, Kind::legacy}));
}

TEST(Nl80211SurveyDecoding, ReadsChannelUseAndOptionalNoise) {
    const NetlinkMessage inUse = nl80211Message(NL80211_CMD_NEW_SURVEY_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_SURVEY_INFO, [](nl_msg* m) {
            nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, 5180);
            nla_put_u8(m, NL80211_SURVEY_INFO_NOISE, dbmByte(-95));
            nla_put_flag(m, NL80211_SURVEY_INFO_IN_USE);
        });
    });
    EXPECT_EQ(decodeSurvey(nlmsg_hdr(inUse.get())), (Nl80211Survey{5180, true, -95}));

    const NetlinkMessage withoutNoise = nl80211Message(NL80211_CMD_NEW_SURVEY_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_SURVEY_INFO,
             [](nl_msg* m) { nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, 2412); });
    });
    EXPECT_EQ(decodeSurvey(nlmsg_hdr(withoutNoise.get())), (Nl80211Survey{2412, false, std::nullopt}));
}

// A message from a confused driver, or crafted, must be refused rather than
// read past its attributes.
TEST(Nl80211Decoding, RefusesMessagesWithMissingOrShortAttributes) {
    const NetlinkMessage shortIndex =
        nl80211Message(NL80211_CMD_NEW_INTERFACE, [](nl_msg* m) { nla_put_u16(m, NL80211_ATTR_IFINDEX, 3); });
    EXPECT_EQ(decodeInterface(nlmsg_hdr(shortIndex.get())), std::nullopt);

    const NetlinkMessage unterminatedName = nl80211Message(NL80211_CMD_NEW_INTERFACE, [](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
        nla_put(m, NL80211_ATTR_IFNAME, 5, "wlan0");
    });
    EXPECT_EQ(decodeInterface(nlmsg_hdr(unterminatedName.get())), std::nullopt);

    const NetlinkMessage shortBssid = nl80211Message(NL80211_CMD_NEW_SCAN_RESULTS, [](nl_msg* m) {
        nest(m, NL80211_ATTR_BSS, [](nl_msg* m) {
            nla_put(m, NL80211_BSS_BSSID, 5, bssid.constData());
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 2437);
        });
    });
    EXPECT_EQ(decodeScanBss(nlmsg_hdr(shortBssid.get())), std::nullopt);

    const NetlinkMessage emptySignal = nl80211Message(NL80211_CMD_NEW_STATION, [](nl_msg* m) {
        nest(m, NL80211_ATTR_STA_INFO, [](nl_msg* m) { nla_put(m, NL80211_STA_INFO_SIGNAL, 0, nullptr); });
    });
    EXPECT_EQ(decodeStation(nlmsg_hdr(emptySignal.get())), std::nullopt);

    const NetlinkMessage bare = nl80211Message(NL80211_CMD_NEW_STATION, [](nl_msg*) {});
    EXPECT_EQ(decodeScanBss(nlmsg_hdr(bare.get())), std::nullopt);
    EXPECT_EQ(decodeStation(nlmsg_hdr(bare.get())), std::nullopt);
    EXPECT_EQ(decodeSurvey(nlmsg_hdr(bare.get())), std::nullopt);
}

// --- information elements --------------------------------------------------

TEST(Nl80211Elements, SsidIsFoundOnlyWhereItIsWhole) {
    EXPECT_EQ(ssidFromElements(studioElements), QStringLiteral("Studio"));
    EXPECT_EQ(ssidFromElements(QByteArray("\x00\x20", 2) + QByteArray(32, 'x')), QString(32, u'x'));
    for (const QByteArray& elements :
         {QByteArray("\x00\x21", 2) + QByteArray(33, 'x'), QByteArray("\x00\x04\x00\x00\x00\x00", 6),
          QByteArray("\x00\x0a", 2) + "Cam", QByteArray("\x01\x08\x82\x84\x00\x03", 6) + "Cam",
          QByteArray("\x00", 1)})
        EXPECT_EQ(ssidFromElements(elements), std::nullopt) << elements.toHex().toStdString();
}

// Either side of every range edge.
TEST(Nl80211Frequencies, BandFollowsTheFrequencyRangesAndPhyModeTheRateKind) {
    const std::vector<std::pair<int, std::optional<int>>> bands{{2399, std::nullopt},
                                                                {2400, 1},
                                                                {2500, 1},
                                                                {2501, std::nullopt},
                                                                {4899, std::nullopt},
                                                                {4900, 2},
                                                                {5900, 2},
                                                                {5910, std::nullopt},
                                                                {5925, 3},
                                                                {7125, 3},
                                                                {7126, std::nullopt}};
    for (const auto& [megahertz, band] : bands)
        EXPECT_EQ(channelBandForFrequency(megahertz), band) << megahertz;

    EXPECT_EQ(phyModeFor(Nl80211RateKind::eht, 3, 2882.4), 7);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::ht, 1, 144.4), 4);
    // Legacy rates name b, g or a by band and speed.
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 1, 11.1), 3);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 1, 11.0), 2);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 2, 54.0), 1);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, std::nullopt, 54.0), 0);
}

// --- one reading -----------------------------------------------------------

// Without a BSS or a station answer the interface is not associated.
TEST(LinkReadingAssembly, AssociatedLinkCarriesEverythingTheBssChannelDecides) {
    const Nl80211Interface station{3, QStringLiteral("wlan0"), true, 5180};
    const Nl80211Bss cafe{bssid, 2412, QStringLiteral("Cafe"), true};
    EXPECT_EQ(assembleLinkReading(station, cafe, Nl80211Station{-50, 5.5, Nl80211RateKind::legacy}, -92),
              (LocalLinkReading{QStringLiteral("wlan0"), QStringLiteral("Cafe"), -50, -92, 5.5, 2, 1}));

    const LocalLinkReading unassociated{QStringLiteral("wlan0"), std::nullopt, 0, std::nullopt, 0.0, 0, 2};
    EXPECT_EQ(assembleLinkReading(station, std::nullopt, std::nullopt, -90), unassociated);
    EXPECT_EQ(assembleLinkReading(station, Nl80211Bss{bssid, 5180, QStringLiteral("Studio"), true},
                                  std::nullopt, -90),
              unassociated);
}

} // namespace
