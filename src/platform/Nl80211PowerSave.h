#pragma once

#include "preflight/WifiPowerSave.h"

// The power-saving state read from the kernel's nl80211 interface the way
// `iw dev X get power_save` reads it. Each reading opens its own socket, so it
// shares nothing with the link reader and may run on any thread.
class Nl80211PowerSave : public WifiPowerSave {
public:
    SystemAnswer<bool> isPowerSaveOn(const QString& interfaceName) const override;
};
