#include "platform/Nl80211Decoder.h"

#include "platform/NetlinkMessage.h"

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>

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
}

// A probe response that hides the name leaves it to the beacon.
TEST(Nl80211ScanBssDecoding, ReadsTheCachedBssItsNameAndWhetherItIsOurs) {
    const QByteArray hidden("\x00\x00", 2);
    const NetlinkMessage message = nl80211Message(NL80211_CMD_NEW_SCAN_RESULTS, [&](nl_msg* m) {
        nest(m, NL80211_ATTR_BSS, [&](nl_msg* m) {
            nla_put(m, NL80211_BSS_BSSID, 6, bssid.constData());
            nla_put_u32(m, NL80211_BSS_FREQUENCY, 5500);
            nla_put(m, NL80211_BSS_INFORMATION_ELEMENTS, int(hidden.size()), hidden.constData());
            nla_put(m, NL80211_BSS_BEACON_IES, int(studioElements.size()), studioElements.constData());
            nla_put_u32(m, NL80211_BSS_STATUS, NL80211_BSS_STATUS_ASSOCIATED);
        });
    });
    EXPECT_EQ(decodeScanBss(nlmsg_hdr(message.get())),
              (Nl80211Bss{bssid, 5500, QStringLiteral("Studio"), true}));
}

// EHT outranks HE when a rate carries both; the 32-bit rate wins over the 16-bit
// one, which overflows at fast rates; the kernel's byte is signed, so the
// weakest signal stays negative.
TEST(Nl80211StationDecoding, ReadsSignalRateAndKind) {
    const NetlinkMessage message = nl80211Message(NL80211_CMD_NEW_STATION, [](nl_msg* m) {
        nest(m, NL80211_ATTR_STA_INFO, [](nl_msg* m) {
            nla_put_u8(m, NL80211_STA_INFO_SIGNAL, dbmByte(-128));
            nest(m, NL80211_STA_INFO_TX_BITRATE, [](nl_msg* m) {
                nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 288240);
                nla_put_u16(m, NL80211_RATE_INFO_BITRATE, 0);
                nla_put_u8(m, NL80211_RATE_INFO_HE_MCS, 7);
                nla_put_u8(m, NL80211_RATE_INFO_EHT_MCS, 7);
            });
        });
    });
    EXPECT_EQ(decodeStation(nlmsg_hdr(message.get())), (Nl80211Station{-128, 28824.0, Nl80211RateKind::eht}));
}

// A state the kernel does not define is no answer either.
TEST(Nl80211PowerSaveDecoding, ReadsTheStateOnlyWhereTheDriverGivesOne) {
    const auto decoded = [](std::optional<uint32_t> state) {
        const NetlinkMessage message = nl80211Message(NL80211_CMD_GET_POWER_SAVE, [state](nl_msg* m) {
            nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
            if (state)
                nla_put_u32(m, NL80211_ATTR_PS_STATE, *state);
        });
        return decodePowerSave(nlmsg_hdr(message.get()));
    };
    EXPECT_EQ(decoded(NL80211_PS_ENABLED), true);
    EXPECT_EQ(decoded(NL80211_PS_DISABLED), false);
    EXPECT_EQ(decoded(std::nullopt), std::nullopt);
    EXPECT_EQ(decoded(2), std::nullopt);
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

// One row per guard: 32 bytes is whole, 33 too long; all zeros hide the name; an
// element running past the end, or a lone byte, ends the walk.
TEST(Nl80211Elements, SsidIsFoundOnlyWhereItIsWhole) {
    EXPECT_EQ(ssidFromElements(QByteArray("\x00\x20", 2) + QByteArray(32, 'x')), QString(32, u'x'));
    for (const QByteArray& elements :
         {QByteArray("\x00\x21", 2) + QByteArray(33, 'x'), QByteArray("\x00\x04\x00\x00\x00\x00", 6),
          QByteArray("\x00\x0a", 2) + "Cam", QByteArray("\x00", 1)})
        EXPECT_EQ(ssidFromElements(elements), std::nullopt) << elements.toHex().toStdString();
}

// Either side of every range edge.
TEST(Nl80211Frequencies, BandFollowsTheFrequencyRangesAndPhyModeTheRateKind) {
    const int bandEdges[3][2] = {{2400, 2500}, {4900, 5900}, {5925, 7125}};
    for (int band = 1; band <= 3; ++band)
        for (const int megahertz : bandEdges[band - 1])
            EXPECT_EQ(channelBandForFrequency(megahertz), band) << megahertz;
    for (const int megahertz : {2399, 2501, 4899, 5910, 7126})
        EXPECT_EQ(channelBandForFrequency(megahertz), std::nullopt) << megahertz;

    // Legacy rates name b, g or a by band and speed; without a band, nothing.
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 1, 11.1), 3);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 1, 11.0), 2);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, 2, 54.0), 1);
    EXPECT_EQ(phyModeFor(Nl80211RateKind::legacy, std::nullopt, 54.0), 0);
}

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
