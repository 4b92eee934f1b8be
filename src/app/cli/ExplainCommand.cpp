#include "app/cli/ExplainCommand.h"

#include "monitor/SignalModel.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

struct ExplainRequest {
    int rssi = 0;
    int transmitRate = 0;
    bool json = false;
};

constexpr char usage[] = "usage: veltrano-cli explain RSSI RATE [--json]\n";

// Rates arrive as decimals (866.7) and are classified as whole Mbit/s, like the
// rates the routers report. Anything that cannot be a rate is refused rather
// than truncated into a meaningless integer.
std::optional<int> parseTransmitRate(const QString& text) {
    bool ok = false;
    const double rate = text.toDouble(&ok);
    if (!ok || !std::isfinite(rate) || rate < 0.0 || rate >= double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(rate);
}

std::optional<ExplainRequest> parseRequest(const QStringList& args, QTextStream& err) {
    ExplainRequest request;
    QStringList positional;
    for (const QString& arg : args) {
        if (arg == QStringLiteral("--json")) {
            request.json = true;
        } else if (arg.startsWith(QStringLiteral("--"))) {
            err << "veltrano-cli explain: unknown option \"" << arg << "\"\n" << usage;
            return std::nullopt;
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() != 2) {
        err << "veltrano-cli explain: expected an RSSI and a transmit rate, got " << positional.size()
            << " argument(s)\n"
            << usage;
        return std::nullopt;
    }

    bool ok = false;
    request.rssi = positional[0].toInt(&ok);
    if (!ok) {
        err << "veltrano-cli explain: RSSI \"" << positional[0] << "\" is not a whole number of dBm\n"
            << usage;
        return std::nullopt;
    }
    const std::optional<int> rate = parseTransmitRate(positional[1]);
    if (!rate) {
        err << "veltrano-cli explain: transmit rate \"" << positional[1]
            << "\" is not a non-negative number of Mbit/s\n"
            << usage;
        return std::nullopt;
    }
    request.transmitRate = *rate;
    return request;
}

} // namespace

int runExplainCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<ExplainRequest> request = parseRequest(args, err);
    if (!request)
        return 2;

    const int rssi = normalizeRSSI(request->rssi);
    const QString state = stateName(classifySignal(rssi, request->transmitRate).state);
    const int percent = signalPercent(rssi, request->transmitRate);
    if (request->json) {
        out << "{\"rssi\":" << rssi << ",\"state\":\"" << state << "\",\"percent\":" << percent << "}\n";
    } else {
        out << "RSSI:    " << rssi << " dBm\n"
            << "Rate:    " << request->transmitRate << " Mbit/s\n"
            << "State:   " << state << "\n"
            << "Quality: " << percent << "%\n";
    }
    return 0;
}
