#include "router/ssh/PrivateRuntimeDirectory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Made once per run when the session offers no runtime folder; mkdtemp gives
// it mode 0700 and a name nobody could have guessed in advance.
class RunScopedDirectory {
public:
    RunScopedDirectory() {
        QByteArray pattern =
            QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + PrivateRuntimeDirectory::runFolderPrefix +
                              QStringLiteral("XXXXXX"));
        if (!::mkdtemp(pattern.data()))
            return;
        path = QFile::decodeName(pattern);
        lock = ::open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (lock >= 0)
            ::flock(lock, LOCK_SH);
    }
    ~RunScopedDirectory() {
        if (!path.isEmpty())
            QDir(path).removeRecursively();
        if (lock >= 0)
            ::close(lock);
    }
    QString path;
    int lock = -1;
};

} // namespace

QString PrivateRuntimeDirectory::defaultPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/veltrano");
    static RunScopedDirectory runScoped;
    return runScoped.path;
}

PrivateRuntimeDirectory::Status PrivateRuntimeDirectory::prepare(const QString& path) {
    if (path.isEmpty())
        return Status::cannotCreate;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Status::cannotCreate;

    struct stat info {};
    if (::lstat(native.constData(), &info) != 0)
        return Status::cannotCreate;
    if (S_ISLNK(info.st_mode))
        return Status::symbolicLink;
    if (!S_ISDIR(info.st_mode))
        return Status::notADirectory;
    if (info.st_uid != ::geteuid())
        return Status::ownedByOther;
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return Status::openToOthers;
    return Status::usable;
}

QString PrivateRuntimeDirectory::describe(Status status) {
    switch (status) {
    case Status::usable:
        return QStringLiteral("usable");
    case Status::cannotCreate:
        return QStringLiteral("cannot be created");
    case Status::notADirectory:
        return QStringLiteral("is not a directory");
    case Status::symbolicLink:
        return QStringLiteral("is a symbolic link");
    case Status::ownedByOther:
        return QStringLiteral("belongs to another user");
    case Status::openToOthers:
        return QStringLiteral("is open to group or others");
    }
    Q_UNREACHABLE();
}
