#pragma once

#include "router/GatewaySource.h"

class WirelessLink;

// Routes from /proc/net/route, Wi-Fi interfaces from the kernel's wireless layer
// with the PHY mode of the current link, wired link speeds from sysfs and
// interface addresses from getifaddrs.
class LinuxGatewaySource final : public GatewaySource {
public:
    explicit LinuxGatewaySource(const WirelessLink& link)
        : link(link) {}

    QList<GatewayLine> gatewayLines() const override;
    QList<WiFiInterface> wifiInterfaces() const override;
    std::optional<std::uint64_t> linkSpeed(const QString& interfaceName) const override;
    QList<InterfaceAddress> interfaceAddresses() const override;

private:
    const WirelessLink& link;
};
