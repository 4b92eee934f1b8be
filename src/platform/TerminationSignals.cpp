#include "platform/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

void TerminationSignals::blockInThisThread() {
    const sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent) {
    blockInThisThread();
    const sigset_t set = terminationSet();
    descriptor = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (descriptor < 0)
        return;
    notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);
}

TerminationSignals::~TerminationSignals() {
    delete notifier;
    if (descriptor >= 0)
        ::close(descriptor);
}

void TerminationSignals::drain() {
    signalfd_siginfo info{};
    while (::read(descriptor, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        Q_EMIT terminationRequested(static_cast<int>(info.ssi_signo));
}
