#include "router/AskpassScript.h"

#include "TestEnvironment.h"
#include "router/PrivateRuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

void makeDirectory(const QByteArray& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

TEST(AskpassScript, PrintsThePasswordExactlyAndIsPrivateFromTheStart) {
    TestEnvironment environment;
    const QString scriptPath = environment.path(u"askpass.sh"_s);
    // Empty, then one of each kind of character a shell or printf would change.
    for (const QString& password : {QString(), u"it's 'quoted'' \"hi\""_s, u"100%s %% a\\nb\\"_s,
                                    u"$HOME $(id) `id` !1"_s, u"  pä —  "_s}) {
        ASSERT_TRUE(AskpassScript::write(scriptPath, password));
        EXPECT_TRUE(S_ISREG(modeOf(scriptPath)));
        EXPECT_EQ(modeOf(scriptPath) & 07777, 0700u);

        // Run as ssh runs it: executed directly, with a minimal environment.
        QProcess script;
        QProcessEnvironment minimal;
        minimal.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        minimal.insert(u"HOME"_s, u"/nonexistent-home"_s);
        script.setProcessEnvironment(minimal);
        script.start(scriptPath, {});
        ASSERT_TRUE(script.waitForFinished(5000));
        EXPECT_EQ(QString::fromUtf8(script.readAllStandardOutput()), password + u'\n');
    }
    EXPECT_EQ(AskpassScript::content(u"a'b"_s), QByteArray("#!/bin/sh\nprintf '%s\\n' 'a'\\''b'\n"));
}

TEST(AskpassScript, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    TestEnvironment environment;
    const QString victim = environment.path(u"victim"_s);
    const QString scriptPath = environment.path(u"askpass.sh"_s);
    QFile victimFile(victim);
    ASSERT_TRUE(victimFile.open(QIODevice::WriteOnly));
    victimFile.write("untouched");
    victimFile.close();
    ASSERT_TRUE(QFile::link(victim, scriptPath));

    ASSERT_TRUE(AskpassScript::write(scriptPath, u"secret"_s));
    ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(victimFile.readAll(), QByteArray("untouched"));
    EXPECT_FALSE(QFileInfo(scriptPath).isSymLink());

    AskpassScript::remove(scriptPath);
    EXPECT_FALSE(QFileInfo::exists(scriptPath));
}

// One path per status.
TEST(PrivateRuntimeDirectory, AcceptsOnlyOurOwnClosedDirectory) {
    using Status = PrivateRuntimeDirectory::Status;
    TestEnvironment environment;
    const auto prepared = [&](const char* name) {
        return PrivateRuntimeDirectory::prepare(environment.path(QLatin1String(name)));
    };
    const auto encoded = [&](const char* name) {
        return QFile::encodeName(environment.path(QLatin1String(name)));
    };
    EXPECT_EQ(prepared("absent"), Status::usable);
    EXPECT_EQ(modeOf(environment.path(u"absent"_s)) & 07777, 0700u);
    makeDirectory(encoded("open"), 0701);
    EXPECT_EQ(prepared("open"), Status::openToOthers);
    ASSERT_EQ(::symlink(encoded("absent").constData(), encoded("link").constData()), 0);
    EXPECT_EQ(prepared("link"), Status::symbolicLink);
    EXPECT_EQ(prepared("missing/veltrano"), Status::cannotCreate);
    ASSERT_TRUE(AskpassScript::write(environment.path(u"file"_s), u"x"_s));
    EXPECT_EQ(prepared("file"), Status::notADirectory);
    if (::geteuid() == 0) {
        makeDirectory(encoded("theirs"), 0700);
        ASSERT_EQ(::chown(encoded("theirs").constData(), 65534, 65534), 0);
        EXPECT_EQ(prepared("theirs"), Status::ownedByOther);
    }
}

TEST(PrivateRuntimeDirectory, LivesInTheSessionRuntimeFolderOrInOneMadeForTheRun) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(PrivateRuntimeDirectory::defaultPath(), u"/run/user/4242/veltrano"_s);

    qunsetenv("XDG_RUNTIME_DIR");
    const QString runScoped = PrivateRuntimeDirectory::defaultPath();
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(runScoped.startsWith(QDir::tempPath() + u"/veltrano-"_s)) << runScoped.toStdString();
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(runScoped), PrivateRuntimeDirectory::Status::usable);
}

} // namespace
