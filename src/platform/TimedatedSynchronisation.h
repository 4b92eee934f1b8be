#pragma once

#include "platform/BlockingBusCalls.h"
#include "preflight/TimeSynchronisation.h"

// systemd-timedated's view of the clock, which covers timesyncd, chrony and
// ntpd alike.
class TimedatedSynchronisation : public TimeSynchronisation {
public:
    explicit TimedatedSynchronisation(QDBusConnection bus);

    SystemAnswer<bool> isSynchronised() const override;

private:
    BlockingBusCalls calls;
};
