#pragma once

#include "TestEnvironment.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/SystemLog.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/ssh/ChildProcesses.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <future>
#include <gtest/gtest.h>

// The transport logs from whichever thread runs it, so this recorder locks.
class ThreadSafeRecordingLog : public SystemLog {
public:
    void write(SystemLogLevel, const QString& message, VtCode) override {
        QMutexLocker lock(&mutex);
        recorded.append(message);
    }
    QStringList lines() const {
        QMutexLocker lock(&mutex);
        return recorded;
    }

private:
    mutable QMutex mutex;
    QStringList recorded;
};

// What the transports stand on: private folders and settings, and a logger
// whose journal lines are kept from any thread.
class TransportTest : public testing::Test {
protected:
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    ThreadSafeRecordingLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    RouterIdentityStore identities = RouterIdentityStore::beside(settings);
    ChildProcesses children;
    const QString runtime = environment.path(QStringLiteral("run"));
};

// The transport refuses the main thread; tests call it from a worker and wait.
template <typename Call> auto offMainThread(Call call) {
    return std::async(std::launch::async, call).get();
}

// Stands in for ssh through VELTRANO_SSH. Its "master" is a file at the control
// socket's path, up only when the askpass script tells the accepted password,
// the way ssh hears it (a refusal is logged in ssh's words); every remote command, alone or read by a remote
// shell while the master is up, is recorded as "login command" and answered, with a failing status the
// transport must not mind, from the outputs it was given. Each kind of run also leaves its arguments and
// environment. It finds its folder through its own path, because the master gets a replaced environment.
class FakeSshScript {
public:
    explicit FakeSshScript(const QString& directory)
        : directory(directory) {
        QDir().mkpath(directory + QStringLiteral("/answers"));
        QFile script(path("ssh"));
        if (script.open(QIODevice::WriteOnly))
            script.write(program);
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("VELTRANO_SSH", QFile::encodeName(script.fileName()));
    }
    ~FakeSshScript() { qunsetenv("VELTRANO_SSH"); }
    FakeSshScript(const FakeSshScript&) = delete;
    FakeSshScript& operator=(const FakeSshScript&) = delete;

    // Any other password refuses the master, as does none set.
    void acceptPassword(const QString& password) { write(QStringLiteral("password"), password.toUtf8()); }
    // A later answer to the same command replaces the earlier one.
    void answer(const QString& command, const QByteArray& output) {
        const QString stem = QStringLiteral("answers/") + QString::number(qHash(command));
        write(stem + QStringLiteral(".command"), command.toUtf8());
        write(stem + QStringLiteral(".output"), output);
    }
    // The access point rebooted.
    void dropMaster() {
        for (const QString& socket : recorded("master-sockets"))
            QFile::remove(socket);
    }
    // Masters find nothing listening at the router from now on.
    void refuseConnections() { write(QStringLiteral("unreachable"), {}); }
    // Every later run hangs, as an ssh whose router stopped answering mid-way
    // would; each is listed by its pid.
    void wedge() { write(QStringLiteral("wedged"), {}); }
    QStringList wedgedRuns() const { return recorded("wedged-runs"); }
    // Remote shells run here from now on, instead of answering from files.
    void runShellsLocally() { write(QStringLiteral("local-shell"), {}); }
    // The pid of each remote shell started.
    QStringList shells() const { return recorded("shells"); }
    // Each liveness check takes half a second from now on.
    void slowChecks() { write(QStringLiteral("slow-checks"), {}); }

    QStringList commands() const { return recorded("commands"); }
    QStringList passwordsHeard() const { return recorded("askpass-answers"); }
    // The login of each master started and closed.
    QStringList masterStarts() const { return recorded("master-starts"); }
    QStringList masterExits() const { return recorded("master-exits"); }
    // "master-" or "command-" with "arguments" or "environment", of the last run of that kind.
    QStringList recorded(const char* name) const {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    static constexpr char program[] = R"sh(#!/bin/sh
here=$(dirname "$0")
if [ -e "$here/wedged" ]; then
    echo $$ >>"$here/wedged-runs"
    exec sleep 600
fi
for last; do :; done
if [ "$1" = -M ]; then
    printf '%s\n' "$@" >"$here/master-arguments"
    tr '\0' '\n' </proc/$$/environ | sort >"$here/master-environment"
    echo "$last" >>"$here/master-starts"
    echo "$3" >>"$here/master-sockets"
    log=$(printf '%s\n' "$@" | sed -n '/^-E$/{n;p;}')
    if [ -e "$here/unreachable" ]; then
        echo "ssh: connect to host ${last#*@} port 22: Connection refused" >>"$log"
        exit 255
    fi
    heard=$("$SSH_ASKPASS")
    printf '%s\n' "$heard" >>"$here/askpass-answers"
    [ -e "$here/password" ] && [ "$heard" = "$(cat "$here/password")" ] ||
        { echo "$last: Permission denied (password)." >>"$log"; exit 255; }
    touch "$3"
    exec sleep 30
fi
if [ "$3" = -O ]; then
    case "$4" in
    check) [ -e "$here/slow-checks" ] && sleep 0.5; [ -e "$2" ]; exit ;;
    exit) echo "$last" >>"$here/master-exits"; rm -f "$2"; exit 0 ;;
    esac
fi
printf '%s\n' "$@" >"$here/command-arguments"
tr '\0' '\n' </proc/$$/environ | sort >"$here/command-environment"
for arg; do target=$command; command=$arg; done
answer() {
    printf '%s %s\n' "$target" "$1" >>"$here/commands"
    for question in "$here"/answers/*.command; do
        [ -e "$question" ] || continue
        [ "$(cat "$question")" = "$1" ] && cat "${question%.command}.output" && return
    done
}
[ "$command" = sh ] || { answer "$command"; exit 3; }
echo $$ >>"$here/shells"
[ -e "$here/local-shell" ] && exec sh
while IFS= read -r line; do
    case $line in
    "{ "*) command=${line#"{ "} ;;
    # The batch's gathering: this shell answers each command as it comes.
    "veltrano_batch=\$("|"printf x); "*) ;;
    *)  [ -e "$2" ] || exit 255
        answer "$command"
        (exit 3); eval "${line#*; }" ;;
    esac
done
)sh";

    QString path(const char* name) const { return directory + QLatin1Char('/') + QLatin1String(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(directory + QLatin1Char('/') + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    QString directory;
};
