#include "platform/LinuxGatewaySource.h"

#include "platform/LinuxGateways.h"

QList<GatewayLine> LinuxGatewaySource::gatewayLines() const {
    return LinuxGateways::readGatewayLines();
}

QList<WiFiInterface> LinuxGatewaySource::wifiInterfaces() const {
    return LinuxGateways::wifiInterfaces(LinuxGateways::wifiInterfaceNames(), link);
}

std::optional<std::uint64_t> LinuxGatewaySource::linkSpeed(const QString& interfaceName) const {
    return LinuxGateways::readLinkSpeed(interfaceName);
}

QList<InterfaceAddress> LinuxGatewaySource::interfaceAddresses() const {
    return LinuxGateways::interfaceAddresses();
}
