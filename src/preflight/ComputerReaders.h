#pragma once

#include "preflight/FirewallPolicy.h"
#include "preflight/NetworkManagerSettings.h"
#include "preflight/PortProbe.h"
#include "preflight/PowerProfiles.h"
#include "preflight/TimeSynchronisation.h"
#include "preflight/WifiPowerSave.h"

#include <memory>

// What the computer checks read this computer's state through. Shared, because
// a check that outlives its deadline still holds them on the pool.
struct ComputerReaders {
    std::shared_ptr<const WifiPowerSave> powerSave;
    std::shared_ptr<NetworkManagerSettings> networkManager;
    std::shared_ptr<const TimeSynchronisation> clock;
    std::shared_ptr<const PowerProfiles> powerProfiles;
    std::shared_ptr<const PortProbe> portProbe;
    std::shared_ptr<const FirewallPolicy> firewall;
};
