#pragma once

#include "platform/BlockingBusCalls.h"
#include "preflight/NetworkManagerSettings.h"

// NetworkManager's D-Bus API: from the interface to its device, the device's
// active connection and that connection's saved profile.
class DBusNetworkManager : public NetworkManagerSettings {
public:
    explicit DBusNetworkManager(QDBusConnection bus);

    SystemAnswer<WifiConnectionSettings> wifiConnection(const QString& interfaceName) const override;
    std::optional<QString> disablePowerSave(const QString& path) override;

private:
    BlockingBusCalls calls;
};
