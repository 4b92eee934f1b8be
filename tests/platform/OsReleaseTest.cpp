#include "platform/OsRelease.h"

#include "TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// The file is shell assignments; the name must come out as a shell would read it.
TEST(OsRelease, ReadsTheNameLikeTheShell) {
    const std::vector<std::pair<const char*, const char*>> rows{
        {"ID=fedora\nNAME=Fedora\n", "Fedora"},
        {"NAME='a\\b \"c\"'", "a\\b \"c\""},
        {"NAME=\"q\\\" b\\\\ d\\$ t\\` n\\n\"", "q\" b\\ d$ t` n\\n"},
        {"NAME=\"Ubuntu\"' 'Core", "Ubuntu Core"},
        {"NAME=Arch  \t\n", "Arch"},
        {"# NAME=Commented\ngarbage line\nNAME=Real", "Real"},
        {"1NAME=bad\nNAME-X=bad", ""},
        {"NAME=\"open", "open"}};
    for (const auto& [text, name] : rows)
        EXPECT_EQ(OsRelease::parse(QString::fromUtf8(text)).value(QStringLiteral("NAME")),
                  QString::fromUtf8(name))
            << text;
}

// The description ends up in the session log: no line breaks or escape sequences.
TEST(OsRelease, DescribesDistributionAndVersionOnOneLine) {
    const std::vector<std::pair<const char*, const char*>> rows{
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"",
         "Debian GNU/Linux 12"},
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux trixie/sid\"",
         "Debian GNU/Linux trixie/sid"},
        {"VERSION_ID=1.2", "Linux 1.2"},
        {"NAME=\"Evil\nOS\x1b[31m\"\nVERSION_ID=\" 7\t\"", "Evil OS [31m 7"}};
    for (const auto& [text, description] : rows)
        EXPECT_EQ(OsRelease::parse(QString::fromUtf8(text)).displayName(), QString::fromUtf8(description))
            << text;
}

TEST(OsRelease, MissingFileFallsBackToTheNextAndNoneMeansLinux) {
    TestEnvironment environment;
    const QString etc = environment.path(QStringLiteral("etc-os-release"));
    const QString lib = environment.path(QStringLiteral("lib-os-release"));
    QFile libFile(lib);
    ASSERT_TRUE(libFile.open(QIODevice::WriteOnly));
    libFile.write("NAME=Fallback\nVERSION_ID=3\n");
    libFile.close();

    EXPECT_EQ(OsRelease::systemDescription({etc, lib}), QStringLiteral("Fallback 3"));
    EXPECT_EQ(OsRelease::systemDescription({etc}), QStringLiteral("Linux"));
}

} // namespace
