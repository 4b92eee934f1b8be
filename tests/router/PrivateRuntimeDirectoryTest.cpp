#include "router/PrivateRuntimeDirectory.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Status = PrivateRuntimeDirectory::Status;

struct DirectoryRow {
    std::string name;
    // Puts something (or nothing) at the path before the check.
    std::function<void(const QByteArray& path)> arrange;
    Status expected;

    friend void PrintTo(const DirectoryRow& row, std::ostream* os) { *os << row.name; }
};

class PrivateRuntimeDirectoryTest : public testing::TestWithParam<DirectoryRow> {
protected:
    TestEnvironment environment;
};

TEST_P(PrivateRuntimeDirectoryTest, AcceptsOnlyOurOwnClosedDirectory) {
    const QString path = environment.path(QStringLiteral("veltrano"));
    GetParam().arrange(QFile::encodeName(path));
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(path), GetParam().expected);

    if (GetParam().expected == Status::usable) {
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
    }
}

void makeDirectory(const QByteArray& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrivateRuntimeDirectoryTest,
    testing::Values(DirectoryRow{"absentIsCreated", [](const QByteArray&) {}, Status::usable},
                    DirectoryRow{"existingPrivate", [](const QByteArray& p) { makeDirectory(p, 0700); },
                                 Status::usable},
                    DirectoryRow{"groupReadable", [](const QByteArray& p) { makeDirectory(p, 0750); },
                                 Status::openToOthers},
                    DirectoryRow{"worldExecutable", [](const QByteArray& p) { makeDirectory(p, 0701); },
                                 Status::openToOthers},
                    DirectoryRow{"symlinkToPrivateDirectory",
                                 [](const QByteArray& p) {
                                     makeDirectory(p + "-target", 0700);
                                     ASSERT_EQ(::symlink((p + "-target").constData(), p.constData()), 0);
                                 },
                                 Status::symbolicLink},
                    DirectoryRow{"regularFile",
                                 [](const QByteArray& p) {
                                     QFile file(QFile::decodeName(p));
                                     ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                                 },
                                 Status::notADirectory}),
    [](const testing::TestParamInfo<DirectoryRow>& info) { return info.param.name; });

TEST(PrivateRuntimeDirectory, RefusesAnotherUsersDirectory) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a directory away";
    TestEnvironment environment;
    const QByteArray path = QFile::encodeName(environment.path(QStringLiteral("veltrano")));
    makeDirectory(path, 0700);
    ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(QFile::decodeName(path)), Status::ownedByOther);
}

TEST(PrivateRuntimeDirectory, RefusesAPathWhoseParentIsMissing) {
    TestEnvironment environment;
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(environment.path(QStringLiteral("missing/veltrano"))),
              Status::cannotCreate);
}

TEST(PrivateRuntimeDirectory, LivesInTheSessionRuntimeFolderOrInOneMadeForTheRun) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(PrivateRuntimeDirectory::defaultPath(), QStringLiteral("/run/user/4242/veltrano"));

    qunsetenv("XDG_RUNTIME_DIR");
    const QString runScoped = PrivateRuntimeDirectory::defaultPath();
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(runScoped.startsWith(QDir::tempPath() + QStringLiteral("/veltrano-")))
        << runScoped.toStdString();
    EXPECT_EQ(PrivateRuntimeDirectory::prepare(runScoped), Status::usable);
}

} // namespace
