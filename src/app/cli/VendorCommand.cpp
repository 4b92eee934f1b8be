#include "app/cli/VendorCommand.h"

#include "router/CameraVendor.h"
#include "router/RouterClient.h"

#include <QRegularExpression>

namespace {

constexpr char usage[] = "usage: veltrano-cli vendor MAC\n";

QString hintText(const std::optional<CameraModelHint>& hint) {
    if (!hint)
        return QStringLiteral("none");
    switch (*hint) {
    case CameraModelHint::r5MarkII:
        return QStringLiteral("r5MarkII (second-generation wireless tethering)");
    case CameraModelHint::r1:
        return QStringLiteral("r1 (second-generation wireless tethering)");
    }
    return QStringLiteral("none");
}

} // namespace

int runVendorCommand(const QStringList& args, const SettingsStore& settings, QTextStream& out,
                     QTextStream& err) {
    // Routers write MACs with colons or dashes; at least the three octets that
    // name the maker are needed.
    static const QRegularExpression macPattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){2,5}")));
    if (args.size() != 1 || !macPattern.match(args.first()).hasMatch()) {
        err << "veltrano-cli vendor: expected one MAC address such as 78:f5:05:aa:bb:cc\n" << usage;
        return 2;
    }
    const QString mac = args.first();
    RouterClient row;
    row.mac = mac;
    out << "Vendor:       " << vendorForMAC(mac).value_or(QStringLiteral("none (not a known camera maker)"))
        << '\n'
        << "Hint:         " << hintText(cameraModelHint(mac)) << '\n'
        << "Display name: " << displayName(row, settings) << '\n';
    return 0;
}
