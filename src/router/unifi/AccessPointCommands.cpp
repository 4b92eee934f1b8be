#include "router/unifi/AccessPointCommands.h"

#include "router/unifi/HostapdStation.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

bool isPlainIPv4(const QString& ip) {
    const QStringList parts = ip.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,3}")));
    for (const QString& part : parts)
        if (!decimal.match(part).hasMatch() || part.toInt() > 255)
            return false;
    return true;
}

} // namespace

std::optional<QString> hostapdStationCommand(const QString& mac) {
    if (!isStationMAC(mac))
        return std::nullopt;
    return QStringLiteral("for iface in wifi0ap0 wifi1ap2 wifi2ap5 wifi0ap1 wifi1ap3 wifi2ap6; do "
                          "out=$(hostapd_cli -p /var/run/hostapd -i $iface sta ") +
           mac.toLower() +
           QStringLiteral(
               " 2>/dev/null); [ \"$out\" != \"FAIL\" ] && [ -n \"$out\" ] && printf '%s' \"$out\" && "
               "break; done");
}

std::optional<QString> stationPingCommand(const QString& ip) {
    if (!isPlainIPv4(ip))
        return std::nullopt;
    return QStringLiteral("ping -c 1 ") + ip + QStringLiteral(" >/dev/null 2>&1 &");
}
