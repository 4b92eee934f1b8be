#include "router/ssh/SpawnedProcess.h"

#include "router/ssh/ChildProcesses.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// posix_spawn wants NULL-terminated arrays of C strings that outlive the call.
class CStringArray {
public:
    explicit CStringArray(const QStringList& strings) {
        for (const QString& string : strings)
            storage.push_back(QFile::encodeName(string));
        for (QByteArray& bytes : storage)
            pointers.push_back(bytes.data());
        pointers.push_back(nullptr);
    }
    char* const* data() { return pointers.data(); }

private:
    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
};

// The child's wait status, once it has exited.
int waitStatus(pid_t pid) {
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    // A child that cannot be waited for any more counts as gone, with status -1.
    return result < 0 ? -1 : status;
}

} // namespace

std::optional<SpawnedProcess> SpawnedProcess::start(ChildProcesses& children, const QString& program,
                                                    const QStringList& arguments,
                                                    const QStringList& environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A long-lived master must not keep the instance lock or any socket of ours open.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // The child starts with default signal handling and an empty mask, whatever
    // the spawning thread had.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t allSignals;
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    CStringArray argv(QStringList{program} + arguments);
    CStringArray envp(environment);
    const pid_t pid = children.start([&] {
        pid_t spawned = -1;
        return ::posix_spawn(&spawned, QFile::encodeName(program).constData(), &actions, &attributes,
                             argv.data(), envp.data()) == 0
                   ? spawned
                   : -1;
    });
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);

    if (pid < 0)
        return std::nullopt;
    return SpawnedProcess(children, pid);
}

SpawnedProcess::SpawnedProcess(ChildProcesses& children, pid_t pid)
    : children(&children)
    , pid(pid) {}

SpawnedProcess::SpawnedProcess(SpawnedProcess&& other) noexcept
    : children(other.children)
    , pid(std::exchange(other.pid, -1)) {}

SpawnedProcess& SpawnedProcess::operator=(SpawnedProcess&& other) noexcept {
    if (this != &other) {
        children = other.children;
        pid = std::exchange(other.pid, -1);
    }
    return *this;
}

bool SpawnedProcess::waitForSuccess() {
    if (pid < 0)
        return false;
    const int status = reap(std::exchange(pid, -1), true).value_or(-1);
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SpawnedProcess::hasExited() {
    if (pid >= 0 && reap(pid, false))
        pid = -1;
    return pid < 0;
}

void SpawnedProcess::stop() {
    if (pid < 0)
        return;
    const pid_t child = std::exchange(pid, -1);
    ::kill(child, SIGTERM);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (reap(child, false))
            return;
        QThread::msleep(10);
    }
    ::kill(child, SIGKILL);
    reap(child, true);
}

std::optional<int> SpawnedProcess::reap(pid_t child, bool block) {
    // Only looked at, not reaped yet: the pid stays ours while it leaves
    // `children`.
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
    } while (result < 0 && errno == EINTR);
    if (result == 0 && info.si_pid == 0)
        return std::nullopt;
    children->forget(child);
    return waitStatus(child);
}
