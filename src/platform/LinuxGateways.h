#pragma once

#include "router/GatewayDiscovery.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class WirelessLink;

// The facts gateway discovery needs, as the Linux kernel shows them. Every read is
// a quick local file or kernel query; nothing here sends traffic.
namespace LinuxGateways {

inline const QString routeTablePath = QStringLiteral("/proc/net/route");
inline const QString sysClassNetPath = QStringLiteral("/sys/class/net");

// The default routes with a gateway in the text of /proc/net/route, in table
// order, each gateway once (its first route wins).
QList<GatewayLine> gatewayLinesFromRouteTable(const QByteArray& routeTable);

// The kernel's IPv4 default routes; empty when the table cannot be read.
QList<GatewayLine> readGatewayLines(const QString& path = routeTablePath);

// Bits per second from the text of /sys/class/net/IFACE/speed (Mbit/s); none
// for an unknown speed, which the kernel writes as -1.
std::optional<std::uint64_t> linkSpeedFromSysfs(const QByteArray& speedFile);

// The link speed of a wired interface; none when unknown, unreadable or when the
// name could step outside the interface folder.
std::optional<std::uint64_t> readLinkSpeed(const QString& interfaceName,
                                           const QString& sysClassNet = sysClassNetPath);

// Names of the interfaces the kernel's wireless layer drives, sorted.
QStringList wifiInterfaceNames(const QString& sysClassNet = sysClassNetPath);

// The named Wi-Fi interfaces with the PHY mode of the one `link` currently uses.
QList<WiFiInterface> wifiInterfaces(const QStringList& names, const WirelessLink& link);

// The IPv4 addresses and netmasks of every interface.
QList<InterfaceAddress> interfaceAddresses();

} // namespace LinuxGateways
