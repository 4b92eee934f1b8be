#pragma once

#include "router/ssh/SshTransport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

class ChildProcesses;
class EventLogger;
class QProcess;

// One `sh` on the router or access point, reached through a transport's master
// and kept running, so that a poll's commands cost one write and one read
// instead of an ssh process each. Every command's output is followed by a line
// with a marker drawn afresh for each shell from the system's random source and
// the command's exit status: nothing a station's name or a router's answer holds
// can end an output early or fake another one. The far side gathers a batch's
// answers and writes them at once; NUL bytes do not survive that (a shell
// variable cannot hold them), and no router answer holds one.
//
// Main thread only: the pipe is read through the process's signals. One batch is
// in flight at a time, later ones wait in order. A batch that has no complete
// answer after 5 s, or whose output passes 4 MB, ends the shell; so does the
// pipe's end (the shell, its ssh or the master died). An ended shell answers the
// batches it held with none and stays down until it is started again.
//
// A missed deadline means the connection under the shell carries nothing any
// more while its master still answers the control socket: the master is ended
// too (SshTransport::endMaster), and the next start finds it down and brings up
// a fresh one. Shells that keep ending on their own before they answer anything
// are started again only after a pause, as masters are (MasterStartBackoff, at
// most its 10 s for starts nothing answered): a router whose shell cannot run
// costs no process a poll.
class RemoteShell {
public:
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;

    struct Answer {
        QByteArray output;
        int status = 0;
    };
    // One answer per command, in order; none when the shell ended first.
    using Answers = std::optional<QList<Answer>>;
    using Completion = std::function<void(const Answers&)>;

    RemoteShell(ChildProcesses& children, EventLogger& logger, SshTransport& transport,
                TimeSource now = std::chrono::steady_clock::now);
    ~RemoteShell();
    RemoteShell(const RemoteShell&) = delete;
    RemoteShell& operator=(const RemoteShell&) = delete;

    bool isRunningFor(const SshLogin& login) const;
    // Whether start() would be refused for now.
    bool isPaused() const;
    // Batches in flight or queued.
    std::size_t waiting() const;
    // Ends any shell it runs, then starts one on the transport's master for
    // `login`; false when it could not be started or the pause after
    // short-lived shells lasts.
    bool start(const SshLogin& login);
    // `commands` are whole command lines, checked by their builders; each reads
    // the null device. `done` runs later on the main thread, never inside this call.
    void run(const QStringList& commands, Completion done);
    // Ends the shell; queued batches are answered with none.
    void stop();

private:
    struct Batch {
        QStringList commands;
        Completion done;
    };

    void writeNextBatch();
    void readOutput();
    // Ends the shell and logs why, with the batch's first command if known;
    // fail also pauses the next start when this shell never answered.
    void fail(const QString& detail);
    void end(const QString& detail);
    // Ends the shell and its master.
    void missDeadline();

    ChildProcesses& children;
    EventLogger& logger;
    SshTransport& transport;
    const TimeSource now;
    std::optional<std::chrono::steady_clock::time_point> resumeAt;
    std::chrono::seconds pause{0};
    bool answeredSinceStart = false;
    std::unique_ptr<QProcess> process;
    // Kept from the start: a process that failed to start forgets its own.
    pid_t processId = -1;
    SshLogin runningFor;
    QByteArray marker;
    std::deque<Batch> batches;
    bool inFlight = false;
    QByteArray pending;
    QList<Answer> answers;
    qsizetype answeredBytes = 0;
    QTimer deadline;
};
