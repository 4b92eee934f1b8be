#include "router/ssh/RemoteShells.h"

RemoteShells::RemoteShells(ChildProcesses& children, EventLogger& logger, SshTransport& transport,
                           RemoteShell::TimeSource now)
    : first(children, logger, transport, now)
    , second(children, logger, transport, now) {}

RemoteShell& RemoteShells::pick(const SshLogin& login) {
    for (RemoteShell* shell : shells)
        if (shell->isRunningFor(login) && shell->waiting() == 0)
            return *shell;
    for (RemoteShell* shell : shells)
        if (!shell->isRunningFor(login) && !shell->isPaused())
            return *shell;
    RemoteShell* leastBusy = nullptr;
    for (RemoteShell* shell : shells)
        if (shell->isRunningFor(login) && (!leastBusy || shell->waiting() < leastBusy->waiting()))
            leastBusy = shell;
    return leastBusy ? *leastBusy : first;
}

void RemoteShells::stop() {
    for (RemoteShell* shell : shells)
        shell->stop();
}
