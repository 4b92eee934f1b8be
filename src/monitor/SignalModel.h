#pragma once

#include "monitor/RgbColour.h"
#include "monitor/SignalState.h"

#include <QString>
#include <optional>

class SettingsStore;
class WirelessLink;

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

// "2G", "5G", "6G" or "--". An empty band text means the computer's own link.
QString bandLabel(const QString& bandText, const WirelessLink& link);
bool isTwoPointFourBand(const QString& bandText);

QString phyModeName(int mode);

// One uncoloured segment of the status title, in the form the "iconStyle"
// setting asks for.
QString statusTitleText(int rssi, const QString& bandText, const SettingsStore& store,
                        const WirelessLink& link);
