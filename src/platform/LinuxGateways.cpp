#include "platform/LinuxGateways.h"

#include "platform/WirelessLink.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtEndian>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace LinuxGateways {

namespace {

enum RouteColumn { iface = 0, destination = 1, gateway = 2, mask = 7, columnCount = 8 };

// The kernel prints each address as its network-order bytes read as one native
// integer, so the byte order of the text follows the machine's.
std::optional<std::uint32_t> routeAddress(const QByteArray& hex) {
    if (hex.size() != 8)
        return std::nullopt;
    bool ok = false;
    const std::uint32_t raw = hex.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return qFromBigEndian(raw);
}

QString dottedQuad(std::uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

bool isSafeInterfaceName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// Kernel files report no size, so they are read until the end.
QByteArray readKernelFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString addressText(const sockaddr* address) {
    char text[INET_ADDRSTRLEN] = {};
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
    if (!inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

} // namespace

QList<GatewayLine> gatewayLinesFromRouteTable(const QByteArray& routeTable) {
    QList<GatewayLine> lines;
    QSet<QString> seenGateways;
    for (const QByteArray& row : routeTable.split('\n')) {
        const QList<QByteArray> fields = row.simplified().split(' ');
        if (fields.size() < columnCount)
            continue;
        const auto destinationAddress = routeAddress(fields.at(destination));
        const auto maskAddress = routeAddress(fields.at(mask));
        const auto gatewayAddress = routeAddress(fields.at(gateway));
        const bool isDefaultRoute = destinationAddress == 0U && maskAddress == 0U;
        if (!isDefaultRoute || !gatewayAddress || *gatewayAddress == 0)
            continue;
        const QString gatewayText = dottedQuad(*gatewayAddress);
        if (seenGateways.contains(gatewayText))
            continue;
        seenGateways.insert(gatewayText);
        lines.append(GatewayLine{gatewayText, QString::fromUtf8(fields.at(iface))});
    }
    return lines;
}

QList<GatewayLine> readGatewayLines(const QString& path) {
    return gatewayLinesFromRouteTable(readKernelFile(path));
}

std::optional<std::uint64_t> linkSpeedFromSysfs(const QByteArray& speedFile) {
    bool ok = false;
    const qlonglong megabits = speedFile.trimmed().toLongLong(&ok);
    // Anything a real link could run at; beyond that the file is not a speed.
    constexpr qlonglong fastestPlausibleMegabits = 100'000'000;
    if (!ok || megabits <= 0 || megabits > fastestPlausibleMegabits)
        return std::nullopt;
    return static_cast<std::uint64_t>(megabits) * 1'000'000U;
}

std::optional<std::uint64_t> readLinkSpeed(const QString& interfaceName, const QString& sysClassNet) {
    if (!isSafeInterfaceName(interfaceName))
        return std::nullopt;
    return linkSpeedFromSysfs(
        readKernelFile(sysClassNet + QLatin1Char('/') + interfaceName + QStringLiteral("/speed")));
}

QStringList wifiInterfaceNames(const QString& sysClassNet) {
    QStringList names;
    const QDir folder(sysClassNet);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        // Drivers on the current stack have a phy80211 link; older ones only the
        // wireless-extensions folder.
        const QDir device(folder.filePath(name));
        if (device.exists(QStringLiteral("phy80211")) || device.exists(QStringLiteral("wireless")))
            names.append(name);
    }
    return names;
}

QList<WiFiInterface> wifiInterfaces(const QStringList& names, const WirelessLink& link) {
    const std::optional<LocalLinkReading> current = link.currentLink();
    QList<WiFiInterface> interfaces;
    for (const QString& name : names) {
        const bool isCurrent = current && current->interfaceName == name;
        interfaces.append(WiFiInterface{name, isCurrent ? current->phyMode : 0});
    }
    return interfaces;
}

QList<InterfaceAddress> interfaceAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    QList<InterfaceAddress> addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const QString netmask = entry->ifa_netmask ? addressText(entry->ifa_netmask) : QString();
        addresses.append(InterfaceAddress{addressText(entry->ifa_addr), netmask});
    }
    freeifaddrs(list);
    return addresses;
}

} // namespace LinuxGateways
