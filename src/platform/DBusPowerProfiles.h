#pragma once

#include "platform/BlockingBusCalls.h"
#include "preflight/PowerProfiles.h"

// power-profiles-daemon, under its original bus name or the one it moved to.
class DBusPowerProfiles : public PowerProfiles {
public:
    explicit DBusPowerProfiles(QDBusConnection bus);

    SystemAnswer<QString> activeProfile() const override;

private:
    BlockingBusCalls calls;
};
