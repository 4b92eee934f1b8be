#include "router/ssh/RemoteShell.h"

#include "logs/EventLogger.h"
#include "router/ssh/ChildProcesses.h"
#include "router/ssh/MasterStartBackoff.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <utility>

namespace {

// Router commands answer within a second; a batch that takes this long has
// wedged. Well inside the monitor's 10 s for a whole poll, so that a wedged
// connection shows as the router's SSH not answering, not as a camera gone.
constexpr std::chrono::seconds batchDeadline(5);
// Far above any station list a router could hold.
constexpr qsizetype maximumBatchOutput = 4 * 1024 * 1024;
// Enough of a command line to tell which one failed.
constexpr qsizetype commandLogLength = 40;
// 128 bits: never guessed, never met by chance.
constexpr int markerWords = 4;

QByteArray freshMarker() {
    std::array<quint32, markerWords> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex();
}

QProcessEnvironment environmentOf(const QStringList& variables) {
    QProcessEnvironment environment;
    for (const QString& variable : variables) {
        const qsizetype equals = variable.indexOf(QLatin1Char('='));
        environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    return environment;
}

} // namespace

RemoteShell::RemoteShell(ChildProcesses& children, EventLogger& logger, SshTransport& transport,
                         TimeSource now)
    : children(children)
    , logger(logger)
    , transport(transport)
    , now(std::move(now)) {
    deadline.setSingleShot(true);
    deadline.setInterval(batchDeadline);
    QObject::connect(&deadline, &QTimer::timeout, &deadline, [this] { missDeadline(); });
}

RemoteShell::~RemoteShell() {
    stop();
}

bool RemoteShell::isRunningFor(const SshLogin& login) const {
    return process && runningFor.user == login.user && runningFor.host == login.host;
}

bool RemoteShell::isPaused() const {
    return resumeAt && now() < *resumeAt;
}

std::size_t RemoteShell::waiting() const {
    return batches.size();
}

bool RemoteShell::start(const SshLogin& login) {
    stop();
    if (isPaused())
        return false;
    answeredSinceStart = false;
    auto shell = std::make_unique<QProcess>();
    shell->setProgram(SshTransport::sshProgram());
    shell->setArguments(transport.remoteShellArguments(login));
    shell->setProcessEnvironment(environmentOf(SshTransport::commandEnvironment()));
    shell->setStandardErrorFile(QProcess::nullDevice());
    const pid_t pid = children.start([&shell] {
        shell->start();
        const qint64 started = shell->processId();
        return started > 0 ? static_cast<pid_t>(started) : pid_t(-1);
    });
    if (pid < 0)
        return false;
    processId = pid;
    QObject::connect(shell.get(), &QProcess::readyReadStandardOutput, &deadline, [this] { readOutput(); });
    // The pipe's end is how a dead master, router or shell shows itself.
    QObject::connect(shell.get(), &QProcess::finished, &deadline, [this] { fail(QString()); });
    QObject::connect(shell.get(), &QProcess::errorOccurred, &deadline, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QString());
    });
    process = std::move(shell);
    runningFor = login;
    marker = freshMarker();
    return true;
}

void RemoteShell::run(const QStringList& commands, Completion done) {
    if (!process || commands.isEmpty()) {
        const Answers nothing = process ? std::optional(QList<Answer>()) : std::nullopt;
        QMetaObject::invokeMethod(
            &deadline, [done = std::move(done), nothing] { done(nothing); }, Qt::QueuedConnection);
        return;
    }
    batches.push_back({commands, std::move(done)});
    writeNextBatch();
}

void RemoteShell::stop() {
    deadline.stop();
    if (process) {
        QObject::disconnect(process.get(), nullptr, &deadline, nullptr);
        // SIGKILL leaves nothing to wait for but the reaping.
        process->kill();
        process->waitForFinished(1000);
        children.forget(std::exchange(processId, -1));
        // This may run inside one of the process's own signals.
        process.release()->deleteLater();
    }
    runningFor = {};
    inFlight = false;
    pending.clear();
    answers.clear();
    answeredBytes = 0;
    for (Batch& batch : std::exchange(batches, {}))
        QMetaObject::invokeMethod(
            &deadline, [done = std::move(batch.done)] { done(std::nullopt); }, Qt::QueuedConnection);
}

void RemoteShell::writeNextBatch() {
    if (inFlight || batches.empty() || !process)
        return;
    // Each command reads the null device, or it could swallow the lines after it.
    // The batch's answers are gathered on the far side and written at once: one
    // write wakes the master and this program once, where every command's output
    // and marker each woke them in turn. The x keeps the trailing newlines that
    // command substitution would strip.
    QByteArray script = "veltrano_batch=$(\n";
    for (const QString& command : batches.front().commands)
        script += "{ " + command.toUtf8() + "\n} </dev/null 2>/dev/null; printf '\\n%s %s\\n' " + marker +
                  " \"$?\"\n";
    script += "printf x); printf '%s' \"${veltrano_batch%x}\"; unset veltrano_batch\n";
    inFlight = true;
    deadline.start();
    process->write(script);
}

void RemoteShell::readOutput() {
    pending += process->readAllStandardOutput();
    if (!inFlight) {
        // Nothing was asked: the far side is not the shell we started.
        if (!pending.isEmpty())
            fail(QString());
        return;
    }
    const QByteArray frame = '\n' + marker + ' ';
    for (;;) {
        const qsizetype at = pending.indexOf(frame);
        const qsizetype end = at < 0 ? -1 : pending.indexOf('\n', at + frame.size());
        if (end < 0)
            break;
        bool isNumber = false;
        const int status = pending.mid(at + frame.size(), end - at - frame.size()).toInt(&isNumber);
        if (!isNumber)
            return fail(QString());
        answers.append({pending.left(at), status});
        answeredBytes += at;
        pending.remove(0, end + 1);
        if (answers.size() == batches.front().commands.size()) {
            deadline.stop();
            answeredSinceStart = true;
            resumeAt.reset();
            pause = {};
            QMetaObject::invokeMethod(
                &deadline,
                [done = std::move(batches.front().done), answered = std::exchange(answers, {})] {
                    done(answered);
                },
                Qt::QueuedConnection);
            batches.pop_front();
            answeredBytes = 0;
            inFlight = false;
            if (!pending.isEmpty())
                return fail(QString());
            writeNextBatch();
            return;
        }
    }
    if (answeredBytes + pending.size() > maximumBatchOutput)
        fail(batches.front().commands.value(answers.size()).left(commandLogLength));
}

void RemoteShell::missDeadline() {
    const SshLogin wedged = runningFor;
    // No pause for the shell: the master is ended, and its own back-off paces
    // what follows.
    end(batches.empty() ? QString() : batches.front().commands.value(0).left(commandLogLength));
    transport.endMaster(wedged);
}

void RemoteShell::fail(const QString& detail) {
    if (process && !answeredSinceStart) {
        pause =
            std::clamp(pause * 2, MasterStartBackoff::firstPause, MasterStartBackoff::longestUnansweredPause);
        resumeAt = now() + pause;
    }
    end(detail);
}

void RemoteShell::end(const QString& detail) {
    // A shell that ends between polls (the router rebooted) let nobody down yet.
    if (!batches.empty())
        logger.logError(VtCode::transportCmdFail, detail);
    stop();
}
