#pragma once

#include <QString>
#include <optional>

// Keeps a second copy of the program from running for the same user: both would
// share the SSH control sockets and fight over the session log. The lock is an
// flock on a file in the user's runtime folder, released by the kernel however
// the process ends, so a crash never leaves a stale lock behind.
class InstanceLock {
public:
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&&) = delete;
    ~InstanceLock();

    // None when another process (or another lock in this one) holds `path`, or the
    // file cannot be opened.
    static std::optional<InstanceLock> acquire(const QString& path);
    // $XDG_RUNTIME_DIR/veltrano.lock, or the same name in the cache folder where no
    // runtime folder exists.
    static QString defaultPath();

private:
    explicit InstanceLock(int descriptor)
        : descriptor(descriptor) {}

    int descriptor = -1;
};
