#pragma once

#include "preflight/SystemAnswer.h"
#include "preflight/WifiConnectionSettings.h"

#include <QString>
#include <optional>

// NetworkManager's connection profiles, reached over the system bus. Any thread;
// every call gives up after a few seconds.
class NetworkManagerSettings {
public:
    NetworkManagerSettings() = default;
    NetworkManagerSettings(const NetworkManagerSettings&) = delete;
    NetworkManagerSettings& operator=(const NetworkManagerSettings&) = delete;
    virtual ~NetworkManagerSettings() = default;

    // The profile active on `interfaceName`; unreadable where NetworkManager is
    // absent or does not manage the interface.
    virtual SystemAnswer<WifiConnectionSettings> wifiConnection(const QString& interfaceName) const = 0;
    // Sets the profile's powersave to disable and saves it; none on success,
    // else why it failed (polkit may refuse).
    virtual std::optional<QString> disablePowerSave(const QString& path) = 0;
};
