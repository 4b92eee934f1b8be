#pragma once

#include "preflight/SystemAnswer.h"

#include <QString>

// The system's active power profile ("power-saver", "balanced",
// "performance"). Any thread.
class PowerProfiles {
public:
    PowerProfiles() = default;
    PowerProfiles(const PowerProfiles&) = delete;
    PowerProfiles& operator=(const PowerProfiles&) = delete;
    virtual ~PowerProfiles() = default;

    virtual SystemAnswer<QString> activeProfile() const = 0;
};
