#include "router/ssh/SshLeftovers.h"

#include "TestEnvironment.h"
#include "router/ssh/AskpassScript.h"
#include "router/ssh/PrivateRuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Two minutes back: well past the window a master start may take.
void backdate(const QString& path) {
    const timespec old{::time(nullptr) - 120, 0};
    const timespec times[2] = {old, old};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

void makeFile(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s\\n' 'secret'\n");
}

QString makeFolder(const QString& path, mode_t mode = 0700) {
    EXPECT_EQ(::mkdir(QFile::encodeName(path).constData(), mode), 0);
    ::chmod(QFile::encodeName(path).constData(), mode);
    return path;
}

// The command-line program may be starting a master beside the tray: its
// script is young, and only older ones go.
TEST(SshLeftovers, RemovesOnlyAskpassScriptsOlderThanAMasterStart) {
    TestEnvironment environment;
    const QString runtime = makeFolder(environment.path(u"veltrano"_s));
    const QString stale = runtime + u'/' + AskpassScript::mainRouterFileName;
    const QString starting = runtime + u'/' + AskpassScript::accessPointFileName;
    const QString socket = runtime + u"/veltrano-ssh-control"_s;
    for (const QString& path : {stale, starting, socket})
        makeFile(path);
    backdate(stale);
    backdate(socket);

    SshLeftovers::removeStale(runtime, environment.path(u"tmp"_s));
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(starting));
    EXPECT_TRUE(QFileInfo::exists(socket));

    SshLeftovers::removeAskpassScripts(runtime);
    EXPECT_FALSE(QFileInfo::exists(starting));
}

// Only a real, private folder of ours that no live run holds goes, and no
// link is followed on the way.
TEST(SshLeftovers, RemovesRunFoldersNoLiveRunHoldsAndNothingThatIsNotOurs) {
    TestEnvironment environment;
    const QString temporary = makeFolder(environment.path(u"tmp"_s));
    const QString outside = environment.path(u"outside"_s);
    makeFile(outside);
    const auto runFolder = [&](const QString& suffix, mode_t mode = 0700) {
        const QString path =
            makeFolder(temporary + u'/' + PrivateRuntimeDirectory::runFolderPrefix + suffix, mode);
        makeFile(path + u'/' + AskpassScript::mainRouterFileName);
        return path;
    };
    const QString left = runFolder(u"Ab12Cd"_s);
    ASSERT_EQ(
        ::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(left + u"/link"_s).constData()),
        0);
    const QString held = runFolder(u"Held01"_s);
    const QString fresh = runFolder(u"Fresh1"_s);
    const QString open = runFolder(u"Open01"_s, 0755);
    const QString notRun = runFolder(u"runtime-0"_s);
    const QString target = makeFolder(environment.path(u"linked"_s));
    const QString link = temporary + u"/veltrano-Link01"_s;
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    const QString others = runFolder(u"Other1"_s);
    const bool chowned = ::chown(QFile::encodeName(others).constData(), 65534, 65534) == 0;
    for (const QString& path : {left, held, open, notRun, target, link, others})
        backdate(path);
    const int holder = ::open(QFile::encodeName(held).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);

    // This run's own folder, where the session has no runtime folder.
    const QByteArray runtimeVariable = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(temporary));
    const QString own = PrivateRuntimeDirectory::defaultPath();
    qputenv("XDG_RUNTIME_DIR", runtimeVariable);
    qunsetenv("TMPDIR");
    ASSERT_TRUE(own.startsWith(temporary));
    backdate(own);

    SshLeftovers::removeStale(environment.path(u"runtime"_s), temporary);
    ::close(holder);
    EXPECT_FALSE(QFileInfo::exists(left));
    EXPECT_TRUE(QFileInfo::exists(outside));
    for (const QString& kept : {held, fresh, open, notRun})
        EXPECT_TRUE(QFileInfo::exists(kept + u'/' + AskpassScript::mainRouterFileName)) << kept.toStdString();
    EXPECT_TRUE(QFileInfo(own).isDir());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isDir());
    if (chowned) {
        EXPECT_TRUE(QFileInfo::exists(others + u'/' + AskpassScript::mainRouterFileName));
    }
}

} // namespace
