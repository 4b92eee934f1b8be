#pragma once

#include "router/ssh/RemoteShell.h"

#include <array>

// The remote shells to one router or access point: two, so that the polls of a
// tick's two targets run side by side instead of one waiting behind the other's
// batch. A second shell is started only when the first is busy, so one target
// costs one shell. Main thread only.
class RemoteShells {
public:
    RemoteShells(ChildProcesses& children, EventLogger& logger, SshTransport& transport,
                 RemoteShell::TimeSource now = std::chrono::steady_clock::now);

    // Where a batch for `login` goes: a shell running for it with nothing to do;
    // else one to start for it (not running for it, not paused); else the
    // running one with the least to do; else, all paused, a paused one.
    RemoteShell& pick(const SshLogin& login);
    void stop();

private:
    RemoteShell first;
    RemoteShell second;
    std::array<RemoteShell*, 2> shells{&first, &second};
};
