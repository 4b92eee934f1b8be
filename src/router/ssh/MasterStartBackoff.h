#pragma once

#include "router/ssh/SshTransport.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// Paces the starts of an ssh master that keeps failing. A start costs the caller
// up to five seconds and, when sshd answers, the router a login attempt. So after
// a start that sshd turned down (a wrong password, a changed host key) the next
// waits 5 s, then 10, 20, 40 and at most 60 s. A start that nothing answered
// sent no password: its pause stops growing at 10 s, so that a router back from
// a reboot is reached within about 15 s of its sshd answering, while one whose
// sshd is down is still asked only every 10 to 15 s, not at every poll. A start
// that comes up ends the pause.
//
// Used from pool threads. A start runs under the lock, so callers that queued
// behind a failing start learn from its outcome instead of starting again.
class MasterStartBackoff {
public:
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;
    using MasterStart = SshTransport::MasterStart;

    static constexpr std::chrono::seconds firstPause{5};
    static constexpr std::chrono::seconds longestUnansweredPause{10};
    static constexpr std::chrono::seconds longestPause{60};

    explicit MasterStartBackoff(TimeSource now = std::chrono::steady_clock::now);
    MasterStartBackoff(const MasterStartBackoff&) = delete;
    MasterStartBackoff& operator=(const MasterStartBackoff&) = delete;

    // Runs `start` and takes note of its outcome, or answers `failed` without
    // running it while the pause after a failed start lasts. The user's own
    // request (`userAsked`) is never held back.
    MasterStart attempt(bool userAsked, const std::function<MasterStart()>& start);

private:
    const TimeSource now;
    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> nextStart;
    std::chrono::seconds pause{0};
};
