#include "router/ssh/SshLeftovers.h"

#include "router/ssh/AskpassScript.h"
#include "router/ssh/PrivateRuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SshLeftovers {

namespace {

// A time ahead of the clock (it was set back) counts as recent.
bool isOlderThanWindow(const struct stat& info) {
    using namespace std::chrono;
    const system_clock::time_point changed{seconds(info.st_mtim.tv_sec)};
    return system_clock::now() - changed > masterStartWindow;
}

bool isRunFolderName(const QString& name) {
    const QString& prefix = PrivateRuntimeDirectory::runFolderPrefix;
    return name.size() == prefix.size() + 6 && name.startsWith(prefix) &&
           std::all_of(name.cbegin() + prefix.size(), name.cend(),
                       [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); });
}

void removeStaleAskpassScripts(const QString& runtimeFolder) {
    if (PrivateRuntimeDirectory::prepare(runtimeFolder) != PrivateRuntimeDirectory::Status::usable)
        return;
    for (const QString& name : AskpassScript::fileNames) {
        const QByteArray path = QFile::encodeName(runtimeFolder + QLatin1Char('/') + name);
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            isOlderThanWindow(info))
            ::unlink(path.constData());
    }
}

// Removes what the open `folder` holds, each entry by name inside it, so no
// link on the way is followed. False when something is left.
bool emptied(int folder) {
    const int listing = ::dup(folder);
    DIR* entries = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(info.st_mode) ||
            ::unlinkat(folder, entry->d_name, 0) != 0)
            empty = false;
    }
    ::closedir(entries);
    return empty;
}

void removeStaleRunFolders(const QString& temporaryFolder) {
    const QStringList names =
        QDir(temporaryFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!isRunFolderName(name))
            continue;
        const QByteArray path = QFile::encodeName(temporaryFolder + QLatin1Char('/') + name);
        const int folder = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0)
            continue;
        struct stat info {};
        // A live run holds its folder shared; an exclusive lock is had only
        // once no run does.
        if (::fstat(folder, &info) == 0 && info.st_uid == ::geteuid() &&
            (info.st_mode & (S_IRWXG | S_IRWXO)) == 0 && isOlderThanWindow(info) &&
            ::flock(folder, LOCK_EX | LOCK_NB) == 0 && emptied(folder))
            ::rmdir(path.constData());
        ::close(folder);
    }
}

} // namespace

void removeStale(const QString& runtimeFolder, const QString& temporaryFolder) {
    removeStaleAskpassScripts(runtimeFolder);
    removeStaleRunFolders(temporaryFolder);
}

void removeAskpassScripts(const QString& runtimeFolder) {
    for (const QString& name : AskpassScript::fileNames)
        AskpassScript::remove(runtimeFolder + QLatin1Char('/') + name);
}

} // namespace SshLeftovers
