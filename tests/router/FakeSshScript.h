#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Stands in for ssh through VELTRANO_SSH. It keeps a "master" as a file, hears
// the password from the askpass script the way ssh would, records every remote
// command (ssh's last argument) and answers it from the outputs it was given.
// It finds its folder through its own path, because the master gets a replaced
// environment.
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

    void answer(const QString& command, const QByteArray& output) {
        const QString stem = QStringLiteral("answers/") + QString::number(answers++);
        write(stem + QStringLiteral(".command"), command.toUtf8());
        write(stem + QStringLiteral(".output"), output);
    }
    void forgetAnswers() {
        QDir answerFolder(directory + QStringLiteral("/answers"));
        for (const QString& name : answerFolder.entryList(QDir::Files))
            answerFolder.remove(name);
    }
    // The master exits at once, as with a wrong password or ssh switched off.
    void refuseMaster() { write(QStringLiteral("refuse-master"), {}); }

    QStringList commands() const { return lines("commands"); }
    QStringList passwordsHeard() const { return lines("askpass-answers"); }
    qsizetype masterStarts() const { return lines("master-starts").size(); }
    qsizetype masterExits() const { return lines("master-exits").size(); }

private:
    static constexpr char program[] = R"sh(#!/bin/sh
here=$(dirname "$0")
if [ "$1" = -M ]; then
    [ -e "$here/refuse-master" ] && exit 255
    "$SSH_ASKPASS" >>"$here/askpass-answers"
    echo started >>"$here/master-starts"
    touch "$here/master-up"
    exec sleep 30
fi
if [ "$3" = -O ]; then
    case "$4" in
    check) [ -e "$here/master-up" ]; exit ;;
    exit) echo exit >>"$here/master-exits"; rm -f "$here/master-up"; exit 0 ;;
    esac
fi
for command; do :; done
printf '%s\n' "$command" >>"$here/commands"
for question in "$here"/answers/*.command; do
    [ -e "$question" ] || continue
    if [ "$(cat "$question")" = "$command" ]; then
        cat "${question%.command}.output"
        exit 0
    fi
done
)sh";

    QString path(const char* name) const { return directory + QLatin1Char('/') + QLatin1String(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(directory + QLatin1Char('/') + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    QStringList lines(const char* name) const {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString directory;
    int answers = 0;
};
