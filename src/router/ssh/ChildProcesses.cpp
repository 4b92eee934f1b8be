#include "router/ssh/ChildProcesses.h"

#include <csignal>

void ChildProcesses::endAll() {
    std::lock_guard lock(mutex);
    ended = true;
    for (const pid_t pid : running)
        ::kill(pid, SIGKILL);
}

bool ChildProcesses::haveEnded() const {
    std::lock_guard lock(mutex);
    return ended;
}

pid_t ChildProcesses::start(const std::function<pid_t()>& spawn) {
    std::lock_guard lock(mutex);
    if (ended)
        return -1;
    const pid_t pid = spawn();
    if (pid > 0)
        running.insert(pid);
    return pid;
}

void ChildProcesses::forget(pid_t pid) {
    std::lock_guard lock(mutex);
    running.erase(pid);
}
