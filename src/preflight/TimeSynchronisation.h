#pragma once

#include "preflight/SystemAnswer.h"

// Whether the system clock is synchronised over the network. Any thread.
class TimeSynchronisation {
public:
    TimeSynchronisation() = default;
    TimeSynchronisation(const TimeSynchronisation&) = delete;
    TimeSynchronisation& operator=(const TimeSynchronisation&) = delete;
    virtual ~TimeSynchronisation() = default;

    virtual SystemAnswer<bool> isSynchronised() const = 0;
};
