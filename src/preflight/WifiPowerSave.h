#pragma once

#include "preflight/SystemAnswer.h"

#include <QString>

// The kernel's power-saving state of one Wi-Fi interface. Any thread.
class WifiPowerSave {
public:
    WifiPowerSave() = default;
    WifiPowerSave(const WifiPowerSave&) = delete;
    WifiPowerSave& operator=(const WifiPowerSave&) = delete;
    virtual ~WifiPowerSave() = default;

    virtual SystemAnswer<bool> isPowerSaveOn(const QString& interfaceName) const = 0;
};
