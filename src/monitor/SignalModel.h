#pragma once

#include "monitor/RgbColour.h"
#include "monitor/SignalState.h"

#include <QString>
#include <optional>

class SettingsStore;

struct SignalClassification {
    SignalState state = SignalState::excellent;
    RgbColour colour;
    std::optional<RgbColour> flashColour;
};

// The RSSI that stands for "no usable signal", also used for an unlisted target.
inline constexpr int noSignalRSSI = -99;

// Everything below -98 dBm is treated as no signal at all.
int normalizeRSSI(int rssi);

// Never gives offline; that state is only assigned by the target monitor.
// Expects a normalised RSSI.
SignalClassification classifySignal(int rssi, int transmitRate);

// 0…99, in bands that agree with classifySignal: 80 and above excellent, 60–79
// marginal, below 60 critical.
int signalPercent(int rssi, int transmitRate);

// A transmit rate as a whole number of Mbit/s, truncated. What a router reports
// is not trusted: NaN and negative rates give 0, absurd ones are capped, so the
// conversion to an integer is always defined.
int truncatedRateMbps(double megabitsPerSecond);

// "2G", "5G", "6G" or "--" for a router row's band text; "--" when it names none.
QString bandLabel(const QString& bandText);
// The same for the computer's own link: 1 = 2.4 GHz, 2 = 5 GHz, 3 = 6 GHz.
QString localBandLabel(std::optional<int> channelBand);
bool isTwoPointFourBand(const QString& bandText);
// A row's band label in words: "5G" reads "5 GHz", "2.4G" "2.4 GHz".
QString bandInWords(const QString& band);

QString phyModeName(int mode);

// One uncoloured segment of the status title, in the form the "iconStyle"
// setting asks for. `band` is a label from bandLabel or localBandLabel.
QString statusTitleText(int rssi, const QString& band, const SettingsStore& store);
