#include "monitor/SignalModel.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace {

// Slow links are judged more strictly: both thresholds sit 5 dB higher below
// 150 Mbit/s.
struct Thresholds {
    int excellentFloor;  // excellent at or above
    int criticalCeiling; // critical below
};

Thresholds thresholdsForRate(int transmitRate) {
    if (transmitRate < 150)
        return {-60, -70};
    return {-65, -75};
}

// Beyond any radio there is; only there to keep the integer conversion defined.
constexpr double highestPlausibleRateMbps = 100000.0;

} // namespace

int truncatedRateMbps(double megabitsPerSecond) {
    if (std::isnan(megabitsPerSecond) || megabitsPerSecond <= 0.0)
        return 0;
    return static_cast<int>(std::min(megabitsPerSecond, highestPlausibleRateMbps));
}

int normalizeRSSI(int rssi) {
    return rssi >= -98 ? rssi : noSignalRSSI;
}

SignalClassification classifySignal(int rssi, int transmitRate) {
    const Thresholds thresholds = thresholdsForRate(transmitRate);
    SignalState state = SignalState::marginal;
    if (rssi < thresholds.criticalCeiling)
        state = SignalState::critical;
    else if (rssi >= thresholds.excellentFloor)
        state = SignalState::excellent;
    return {state, stateColour(state), stateFlashColour(state)};
}

int signalPercent(int rssi, int transmitRate) {
    const auto [excellentFloor, criticalCeiling] = thresholdsForRate(transmitRate);
    if (rssi >= -40)
        return 99;
    if (rssi >= excellentFloor)
        return 80 + 19 * (rssi - excellentFloor) / (-40 - excellentFloor);
    if (rssi >= criticalCeiling)
        return 60 + 2 * (rssi - criticalCeiling);
    if (rssi >= -80)
        return 60 * (rssi + 80) / (criticalCeiling + 80);
    return 0;
}

QString bandLabel(const QString& bandText) {
    if (isTwoPointFourBand(bandText))
        return QStringLiteral("2G");
    if (bandText == QStringLiteral("5G") || bandText == QStringLiteral("6G"))
        return bandText;
    return QStringLiteral("--");
}

QString localBandLabel(std::optional<int> channelBand) {
    switch (channelBand.value_or(0)) {
    case 1:
        return QStringLiteral("2G");
    case 2:
        return QStringLiteral("5G");
    case 3:
        return QStringLiteral("6G");
    default:
        return QStringLiteral("--");
    }
}

QString bandInWords(const QString& band) {
    return QString(band).replace(QLatin1Char('G'), QStringLiteral(" GHz"));
}

bool isTwoPointFourBand(const QString& bandText) {
    return bandText.contains(QStringLiteral("2.4"));
}

QString phyModeName(int mode) {
    switch (mode) {
    case 1:
        return QStringLiteral("802.11a");
    case 2:
        return QStringLiteral("802.11b");
    case 3:
        return QStringLiteral("802.11g");
    case 4:
        return QStringLiteral("802.11n");
    case 5:
        return QStringLiteral("802.11ac");
    case 6:
        return QStringLiteral("802.11ax");
    default:
        return QStringLiteral("WiFi");
    }
}

QString statusTitleText(int rssi, const QString& band, const SettingsStore& store) {
    const QString style = store.readString(SettingsKey::iconStyle).value_or(QString());
    if (style == QStringLiteral("dot"))
        return QStringLiteral("\u25CF");
    if (style == QStringLiteral("dbm"))
        return QLatin1Char(' ') + QString::number(rssi);
    if (style == QStringLiteral("band"))
        return band;
    return QLatin1Char(' ') + QString::number(rssi) + QLatin1Char('*') + band;
}
