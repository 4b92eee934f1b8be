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
    for (const QString& password :
         {u"goodpass"_s, QString(), u"it's 'quoted''"_s, u"say \"hi\""_s, u"100%s %d %%"_s, u"a\\nb\\\\c\\"_s,
          u"$HOME $(id) `id` ${x:-y} !1"_s, u"  two  spaces  "_s, u"pässwörd—·"_s}) {
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

TEST(PrivateRuntimeDirectory, AcceptsOnlyOurOwnClosedDirectory) {
    using Status = PrivateRuntimeDirectory::Status;
    const struct {
        const char* name;
        // Puts something (or nothing) at the path before the check.
        std::function<void(const QByteArray& path)> arrange;
        Status expected;
    } rows[] = {
        {"absentIsCreated", [](const QByteArray&) {}, Status::usable},
        {"existingPrivate", [](const QByteArray& p) { makeDirectory(p, 0700); }, Status::usable},
        {"groupReadable", [](const QByteArray& p) { makeDirectory(p, 0750); }, Status::openToOthers},
        {"worldExecutable", [](const QByteArray& p) { makeDirectory(p, 0701); }, Status::openToOthers},
        {"symlinkToPrivateDirectory",
         [](const QByteArray& p) {
             makeDirectory(p + "-target", 0700);
             ASSERT_EQ(::symlink((p + "-target").constData(), p.constData()), 0);
         },
         Status::symbolicLink},
        {"regularFile",
         [](const QByteArray& p) {
             QFile file(QFile::decodeName(p));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         Status::notADirectory},
    };
    for (const auto& row : rows) {
        TestEnvironment environment;
        const QString path = environment.path(u"veltrano"_s);
        row.arrange(QFile::encodeName(path));
        EXPECT_EQ(PrivateRuntimeDirectory::prepare(path), row.expected) << row.name;
        if (row.expected == Status::usable) {
            EXPECT_EQ(modeOf(path) & 07777, 0700u) << row.name;
        }
    }
    TestEnvironment environment;
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(environment.path(u"missing/veltrano"_s)),
              Status::cannotCreate);
    if (::geteuid() == 0) {
        const QByteArray path = QFile::encodeName(environment.path(u"veltrano"_s));
        makeDirectory(path, 0700);
        ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        EXPECT_EQ(PrivateRuntimeDirectory::prepare(QFile::decodeName(path)), Status::ownedByOther);
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
