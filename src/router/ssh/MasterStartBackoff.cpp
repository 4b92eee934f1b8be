#include "router/ssh/MasterStartBackoff.h"

#include <algorithm>

MasterStartBackoff::MasterStartBackoff(TimeSource now)
    : now(std::move(now)) {}

MasterStartBackoff::MasterStart MasterStartBackoff::attempt(bool userAsked,
                                                            const std::function<MasterStart()>& start) {
    const std::lock_guard lock(mutex);
    if (!userAsked && nextStart && now() < *nextStart)
        return MasterStart::failed;
    const MasterStart outcome = start();
    if (outcome == MasterStart::up) {
        nextStart.reset();
        pause = {};
        return outcome;
    }
    const std::chrono::seconds longest =
        outcome == MasterStart::failed ? longestUnansweredPause : longestPause;
    pause = std::clamp(pause * 2, firstPause, longest);
    nextStart = now() + pause;
    return outcome;
}
