#include "app/cli/LinkCommand.h"

#include "monitor/SignalModel.h"
#include "platform/WirelessLink.h"

namespace {

const QString noValue = QStringLiteral("--");

QString dbm(std::optional<int> value) {
    return value ? QString::number(*value) + QStringLiteral(" dBm") : noValue;
}

} // namespace

int runLinkCommand(const QStringList& args, const WirelessLink& link, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty()) {
        err << "veltrano-cli link: unexpected argument \"" << args.first() << "\"\n"
            << "usage: veltrano-cli link\n";
        return 2;
    }
    const std::optional<LocalLinkReading> reading = link.currentLink();
    if (!reading) {
        err << "veltrano-cli link: this computer has no Wi-Fi interface\n";
        return 1;
    }

    // An interface that is not associated has no signal, rate or mode to show.
    const bool associated = reading->rssi != 0;
    out << "Interface: " << reading->interfaceName << "\n"
        << "SSID:      " << reading->ssid.value_or(noValue) << "\n"
        << "RSSI:      " << (associated ? dbm(reading->rssi) : noValue) << "\n"
        << "Noise:     " << (associated ? dbm(reading->noise) : noValue) << "\n"
        << "Rate:      "
        << (associated ? QString::number(reading->transmitRate, 'f', 1) + QStringLiteral(" Mbit/s") : noValue)
        << "\n"
        << "PHY:       " << (associated ? phyModeName(reading->phyMode) : noValue) << "\n"
        << "Band:      " << localBandLabel(reading->channelBand) << "\n";
    return 0;
}
