#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// Paces the starts of an ssh master that keeps failing. A start costs the router
// a login attempt and the caller about five seconds, so after a failed one the
// next waits 5 s, then 10, 20, 40 and at most 60 s; a start that comes up ends
// the pause. A router whose sshd is down is then not asked at every poll.
//
// Used from pool threads. A start runs under the lock, so callers that queued
// behind a failing start learn from its outcome instead of starting again.
class MasterStartBackoff {
public:
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::seconds firstPause{5};
    static constexpr std::chrono::seconds longestPause{60};

    explicit MasterStartBackoff(TimeSource now = std::chrono::steady_clock::now);
    MasterStartBackoff(const MasterStartBackoff&) = delete;
    MasterStartBackoff& operator=(const MasterStartBackoff&) = delete;

    // Runs `start` and takes note of its outcome, or answers false without
    // running it while the pause after a failed start lasts. The user's own
    // request (`userAsked`) is never held back.
    bool attempt(bool userAsked, const std::function<bool()>& start);

private:
    const TimeSource now;
    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> nextStart;
    std::chrono::seconds pause{0};
};
