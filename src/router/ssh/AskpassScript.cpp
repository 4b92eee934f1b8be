#include "router/ssh/AskpassScript.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray AskpassScript::content(const QString& password) {
    QString escaped = password;
    escaped.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QByteArrayLiteral("#!/bin/sh\nprintf '%s\\n' '") + escaped.toUtf8() + QByteArrayLiteral("'\n");
}

bool AskpassScript::write(const QString& path, const QString& password) {
    const QByteArray native = QFile::encodeName(path);
    remove(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (fd < 0)
        return false;
    // The umask may have taken the execute bit; it can only ever take bits away.
    bool complete = ::fchmod(fd, 0700) == 0;
    const QByteArray bytes = content(password);
    qsizetype written = 0;
    while (complete && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        complete = n > 0;
        if (complete)
            written += n;
    }
    complete = ::close(fd) == 0 && complete;
    if (!complete)
        ::unlink(native.constData());
    return complete;
}

void AskpassScript::remove(const QString& path) {
    ::unlink(QFile::encodeName(path).constData());
}
