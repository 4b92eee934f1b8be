#pragma once

#include "platform/LocalLinkReading.h"

#include <QByteArray>
#include <QString>
#include <optional>

struct nlmsghdr;

// The pieces of nl80211's answers that make up one local link reading. Every
// decoder takes one complete generic-netlink message and gives none when the
// message is malformed or lacks what identifies it.

// One GET_INTERFACE answer.
struct Nl80211Interface {
    int ifindex = 0;
    QString name;
    bool isStation = false;
    // MHz; the operating channel, when the driver reports one.
    std::optional<int> frequency;

    bool operator==(const Nl80211Interface&) const = default;
};

// One BSS of a GET_SCAN dump (the kernel's scan cache).
struct Nl80211Bss {
    // Six bytes.
    QByteArray bssid;
    // MHz.
    int frequency = 0;
    // None for a hidden network or one whose elements carry no SSID.
    std::optional<QString> ssid;
    bool associated = false;

    bool operator==(const Nl80211Bss&) const = default;
};

// The kind of the transmit rate, newest standard first wins.
enum class Nl80211RateKind { legacy, ht, vht, he, eht };

// One GET_STATION answer about the access point we are associated with.
struct Nl80211Station {
    // dBm.
    std::optional<int> signal;
    // Mbit/s.
    std::optional<double> transmitRate;
    Nl80211RateKind rateKind = Nl80211RateKind::legacy;

    bool operator==(const Nl80211Station&) const = default;
};

// One channel of a GET_SURVEY dump.
struct Nl80211Survey {
    // MHz.
    int frequency = 0;
    bool inUse = false;
    // dBm; none where the driver measures none.
    std::optional<int> noise;

    bool operator==(const Nl80211Survey&) const = default;
};

std::optional<Nl80211Interface> decodeInterface(nlmsghdr* message);
std::optional<Nl80211Bss> decodeScanBss(nlmsghdr* message);
std::optional<Nl80211Station> decodeStation(nlmsghdr* message);
std::optional<Nl80211Survey> decodeSurvey(nlmsghdr* message);
// One GET_POWER_SAVE answer: whether the interface saves power.
std::optional<bool> decodePowerSave(nlmsghdr* message);

// The SSID element of a run of 802.11 information elements; none when absent,
// malformed, empty or all zero bytes (how hidden networks are announced).
std::optional<QString> ssidFromElements(const QByteArray& elements);

// 1 = 2.4 GHz (2400–2500 MHz), 2 = 5 GHz (4900–5900), 3 = 6 GHz (5925–7125).
std::optional<int> channelBandForFrequency(int megahertz);

// LocalLinkReading's PHY mode numbers from the kind of the transmit rate; a
// legacy rate is 802.11b or g by its speed on 2.4 GHz and 802.11a elsewhere.
int phyModeFor(Nl80211RateKind kind, std::optional<int> channelBand, double transmitRate);

// One reading from the decoded answers. Without an associated BSS and its
// station the interface reads as not associated (RSSI 0).
LocalLinkReading assembleLinkReading(const Nl80211Interface& interface, const std::optional<Nl80211Bss>& bss,
                                     const std::optional<Nl80211Station>& station, std::optional<int> noise);
