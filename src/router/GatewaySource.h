#pragma once

#include "router/GatewayDiscovery.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// The computer's own routes and links, which gateway discovery labels. Quick
// local reads only: nothing here sends traffic.
class GatewaySource {
public:
    GatewaySource() = default;
    GatewaySource(const GatewaySource&) = delete;
    GatewaySource& operator=(const GatewaySource&) = delete;
    virtual ~GatewaySource() = default;

    // Default routes with a gateway, in routing-table order, each gateway once.
    virtual QList<GatewayLine> gatewayLines() const = 0;
    virtual QList<WiFiInterface> wifiInterfaces() const = 0;
    // Bits per second of a wired interface; none when unknown.
    virtual std::optional<std::uint64_t> linkSpeed(const QString& interfaceName) const = 0;
    virtual QList<InterfaceAddress> interfaceAddresses() const = 0;
};
