#pragma once

#include "router/GatewayOption.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// How candidate router addresses are found and labelled from the computer's own
// routes and links, whatever platform supplied those facts.

// Where routers ship answering when nothing better is known.
inline const QString fallbackGatewayAddress = QStringLiteral("192.168.8.1");

// A default route's gateway and the interface it leaves through.
struct GatewayLine {
    QString gateway;
    QString interfaceName;

    bool operator==(const GatewayLine&) const = default;
};

// A Wi-Fi interface and its active PHY mode (1 802.11a … 6 802.11ax, higher for
// later standards; 0 when it has none).
struct WiFiInterface {
    QString name;
    int phyMode = 0;
};

// An IPv4 interface address with its netmask, as dotted quads.
struct InterfaceAddress {
    QString address;
    QString netmask;
};

// Bits per second of a wired interface, or none when unknown.
using LinkSpeedLookup = std::function<std::optional<std::uint64_t>(const QString& interfaceName)>;

// The lines' gateways in order; the fall-back address alone when there are none.
QStringList defaultGateways(const QList<GatewayLine>& lines);

// One option per line, labelled with the link that reaches its gateway.
QList<GatewayOption> gatewayOptions(const QList<GatewayLine>& lines,
                                    const QList<WiFiInterface>& wifiInterfaces,
                                    const LinkSpeedLookup& linkSpeed);

// "WiFi-AX (wlan0)", or "WiFi (wlan0)" when the interface is unknown or idle.
QString wifiDescription(const QString& interfaceName, const QList<WiFiInterface>& wifiInterfaces);

// "1GbE", "2.5GbE", "100M".
QString linkSpeedText(std::uint64_t bitsPerSecond);

bool isGatewayOnWiFi(const QString& ip, const QList<GatewayLine>& lines,
                     const QList<WiFiInterface>& wifiInterfaces);

bool isOnLocalSubnet(const QString& ip, const QList<InterfaceAddress>& addresses);

// An IPv4 address of exactly four decimal parts 0 to 255, in host order.
std::optional<std::uint32_t> parseDottedQuad(const QString& text);
