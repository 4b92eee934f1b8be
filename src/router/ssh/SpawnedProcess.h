#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <sys/types.h>

class ChildProcesses;

// A child program started with posix_spawn and owned by its pid. Unlike a
// QProcess it belongs to no thread, so the ssh master can be started on one
// pool thread and stopped on another. The child gets exactly the environment
// it is given, reads and writes the null device, and inherits none of our descriptors
// besides 0, 1 and 2. It is kept in a ChildProcesses until it is reaped, so that
// quitting can end it. Move-only; blocking calls are for background threads.
class SpawnedProcess {
public:
    // None when the program cannot be started (missing, not executable), or
    // when `children` have been ended.
    static std::optional<SpawnedProcess> start(ChildProcesses& children, const QString& program,
                                               const QStringList& arguments, const QStringList& environment);

    SpawnedProcess(SpawnedProcess&& other) noexcept;
    SpawnedProcess& operator=(SpawnedProcess&& other) noexcept;
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;
    // A child still running is left alone; callers that own long-lived children
    // stop them first.
    ~SpawnedProcess() = default;

    // Blocks until the child exits; true when it exited with status 0.
    bool waitForSuccess();
    // True once the child has exited, which reaps it; never blocks.
    bool hasExited();
    // SIGTERM, then SIGKILL if it is still there after a second; always reaped.
    void stop();

private:
    SpawnedProcess(ChildProcesses& children, pid_t pid);

    // The exit status once the child has exited (none while it runs, unless
    // `block`), after it has left `children`.
    std::optional<int> reap(pid_t child, bool block);

    ChildProcesses* children = nullptr;
    pid_t pid = -1;
};
