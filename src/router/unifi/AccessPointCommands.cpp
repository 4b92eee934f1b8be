#include "router/unifi/AccessPointCommands.h"

#include "router/unifi/HostapdStation.h"

#include <QRegularExpression>

namespace {

const QString controlFolder = QStringLiteral("/var/run/hostapd");

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

// What the kernel takes as an interface name, less what a shell would read.
bool isInterfaceName(const QString& name) {
    static const QRegularExpression interfaceName(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9][A-Za-z0-9_.-]{0,14}")));
    return interfaceName.match(name).hasMatch();
}

bool carriesStations(const QString& name) {
    for (const char* prefix : {"scan", "vwire", "mld-"})
        if (name.startsWith(QLatin1String(prefix)))
            return false;
    return true;
}

} // namespace

QString hostapdInterfacesCommand() {
    return QStringLiteral("for f in ") + controlFolder +
           QStringLiteral("/*; do [ -S \"$f\" ] && echo \"${f##*/}\"; done; hostapd_cli -p ") +
           controlFolder + QStringLiteral(" status 2>/dev/null | sed -n 's/^bss\\[[0-9]*\\]=//p'");
}

QStringList hostapdInterfaces(const QString& output) {
    QStringList interfaces;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (isInterfaceName(name) && carriesStations(name) && !interfaces.contains(name))
            interfaces.append(name);
    }
    return interfaces;
}

std::optional<QString> hostapdStationCommand(const QString& mac, const QStringList& interfaces) {
    if (!isStationMAC(mac))
        return std::nullopt;
    for (const QString& name : interfaces)
        if (!isInterfaceName(name))
            return std::nullopt;
    const QString cli = QStringLiteral("hostapd_cli -p ") + controlFolder + QStringLiteral(" -i $iface ");
    // An access point that names no interface runs firmware older than that.
    const QStringList asked =
        interfaces.isEmpty()
            ? QStringList{QStringLiteral("wifi0ap0"), QStringLiteral("wifi1ap2"), QStringLiteral("wifi2ap5"),
                          QStringLiteral("wifi0ap1"), QStringLiteral("wifi1ap3"), QStringLiteral("wifi2ap6")}
            : interfaces;
    const QString list = QStringLiteral("ifaces='") + asked.join(QLatin1Char(' ')) + QStringLiteral("'; ");
    return list + QStringLiteral("found=; for iface in $ifaces; do out=$(") + cli + QStringLiteral("sta ") +
           mac.toLower() +
           QStringLiteral(
               " 2>/dev/null); if [ \"$out\" != \"FAIL\" ] && [ -n \"$out\" ]; then printf '%s' "
               "\"$out\"; found=1; break; fi; done; [ -n \"$found\" ] || for iface in $ifaces; do ") +
           cli + QStringLiteral("all_sta 2>/dev/null; done");
}

std::optional<QString> stationPingCommand(const QString& ip) {
    if (!isPlainIPv4(ip))
        return std::nullopt;
    return QStringLiteral("ping -c 1 ") + ip + QStringLiteral(" >/dev/null 2>&1 &");
}
