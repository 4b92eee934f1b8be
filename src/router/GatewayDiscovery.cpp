#include "router/GatewayDiscovery.h"

#include "monitor/SignalModel.h"

namespace {

const QString labelSeparator = QStringLiteral(" \u2014 ");

const WiFiInterface* findWiFiInterface(const QString& name, const QList<WiFiInterface>& wifiInterfaces) {
    for (const WiFiInterface& wifi : wifiInterfaces)
        if (wifi.name == name)
            return &wifi;
    return nullptr;
}

QString optionLabel(const GatewayLine& line, const QList<WiFiInterface>& wifiInterfaces,
                    const LinkSpeedLookup& linkSpeed) {
    if (findWiFiInterface(line.interfaceName, wifiInterfaces))
        return line.gateway + labelSeparator + wifiDescription(line.interfaceName, wifiInterfaces);
    if (const std::optional<std::uint64_t> speed = linkSpeed(line.interfaceName))
        return line.gateway + labelSeparator + linkSpeedText(*speed) + QStringLiteral(" (") +
               line.interfaceName + QLatin1Char(')');
    return line.gateway;
}

} // namespace

QStringList defaultGateways(const QList<GatewayLine>& lines) {
    QStringList gateways;
    for (const GatewayLine& line : lines)
        gateways.append(line.gateway);
    if (gateways.isEmpty())
        gateways.append(fallbackGatewayAddress);
    return gateways;
}

QList<GatewayOption> gatewayOptions(const QList<GatewayLine>& lines,
                                    const QList<WiFiInterface>& wifiInterfaces,
                                    const LinkSpeedLookup& linkSpeed) {
    if (lines.isEmpty())
        return {GatewayOption{fallbackGatewayAddress, fallbackGatewayAddress}};
    QList<GatewayOption> options;
    for (const GatewayLine& line : lines)
        options.append(GatewayOption{line.gateway, optionLabel(line, wifiInterfaces, linkSpeed)});
    return options;
}

QString wifiDescription(const QString& interfaceName, const QList<WiFiInterface>& wifiInterfaces) {
    const WiFiInterface* wifi = findWiFiInterface(interfaceName, wifiInterfaces);
    const QString suffix = QStringLiteral(" (") + interfaceName + QLatin1Char(')');
    if (!wifi || wifi->phyMode <= 0)
        return QStringLiteral("WiFi") + suffix;
    const QString standard = phyModeName(wifi->phyMode).remove(QStringLiteral("802.11")).toUpper();
    return QStringLiteral("WiFi-") + standard + suffix;
}

QString linkSpeedText(std::uint64_t bitsPerSecond) {
    constexpr std::uint64_t gigabit = 1'000'000'000;
    if (bitsPerSecond >= gigabit) {
        if (bitsPerSecond % gigabit == 0)
            return QString::number(bitsPerSecond / gigabit) + QStringLiteral("GbE");
        return QString::asprintf("%.1fGbE",
                                 static_cast<double>(bitsPerSecond) / static_cast<double>(gigabit));
    }
    return QString::number(bitsPerSecond / 1'000'000) + QLatin1Char('M');
}

bool isGatewayOnWiFi(const QString& ip, const QList<GatewayLine>& lines,
                     const QList<WiFiInterface>& wifiInterfaces) {
    for (const GatewayLine& line : lines)
        if (line.gateway == ip)
            return findWiFiInterface(line.interfaceName, wifiInterfaces) != nullptr;
    return false;
}

bool isOnLocalSubnet(const QString& ip, const QList<InterfaceAddress>& addresses) {
    const std::optional<std::uint32_t> target = parseDottedQuad(ip);
    if (!target)
        return false;
    for (const InterfaceAddress& entry : addresses) {
        if (entry.netmask.isEmpty() || entry.address == QStringLiteral("127.0.0.1"))
            continue;
        const std::optional<std::uint32_t> address = parseDottedQuad(entry.address);
        const std::optional<std::uint32_t> mask = parseDottedQuad(entry.netmask);
        if (address && mask && (*address & *mask) == (*target & *mask))
            return true;
    }
    return false;
}

std::optional<std::uint32_t> parseDottedQuad(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        const uint octet = part.toUInt();
        if (octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    return value;
}
