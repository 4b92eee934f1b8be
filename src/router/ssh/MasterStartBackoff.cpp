#include "router/ssh/MasterStartBackoff.h"

#include <algorithm>

MasterStartBackoff::MasterStartBackoff(TimeSource now)
    : now(std::move(now)) {}

bool MasterStartBackoff::attempt(bool userAsked, const std::function<bool()>& start) {
    const std::lock_guard lock(mutex);
    if (!userAsked && nextStart && now() < *nextStart)
        return false;
    if (start()) {
        nextStart.reset();
        pause = {};
        return true;
    }
    pause = pause == std::chrono::seconds{0} ? firstPause : std::min(pause * 2, longestPause);
    nextStart = now() + pause;
    return false;
}
