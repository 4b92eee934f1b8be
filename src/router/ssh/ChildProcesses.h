#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <sys/types.h>

// The children that the router connection's ssh transports have running, so
// that quitting can end them all at once: an ssh that never answers must not
// hold the program's exit. Safe to use from any thread.
class ChildProcesses {
public:
    ChildProcesses() = default;
    ChildProcesses(const ChildProcesses&) = delete;
    ChildProcesses& operator=(const ChildProcesses&) = delete;

    // Kills every child still running and refuses new ones from then on, so
    // that every call waiting on one returns. Final.
    void endAll();
    bool haveEnded() const;

private:
    friend class RemoteShell;
    friend class SpawnedProcess;

    // Runs `spawn` (which gives the new child's pid, or -1) and keeps the pid,
    // unless the children have ended: -1 then, and nothing is started. Under the
    // lock, so that endAll never misses a child started beside it.
    pid_t start(const std::function<pid_t()>& spawn);
    // Before the child is reaped: until then its pid cannot be reused, so
    // endAll never kills a stranger.
    void forget(pid_t pid);

    mutable std::mutex mutex;
    std::set<pid_t> running;
    bool ended = false;
};
