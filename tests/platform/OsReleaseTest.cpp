#include "platform/OsRelease.h"

#include "TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct ParseRow {
    const char* name;
    friend void PrintTo(const ParseRow& row, std::ostream* os) { *os << row.name; }
    const char* text;
    const char* expectedName;
};

class OsReleaseParseTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(OsReleaseParseTest, ReadsNameLikeTheShell) {
    EXPECT_EQ(OsRelease::parse(QString::fromUtf8(GetParam().text)).value(QStringLiteral("NAME")),
              QString::fromUtf8(GetParam().expectedName));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OsReleaseParseTest,
    ::testing::Values(ParseRow{"Unquoted", "ID=fedora\nNAME=Fedora\n", "Fedora"},
                      ParseRow{"DoubleQuoted", "NAME=\"Debian GNU/Linux\"", "Debian GNU/Linux"},
                      ParseRow{"SingleQuotedIsLiteral", "NAME='a\\b \"c\"'", "a\\b \"c\""},
                      ParseRow{"DoubleQuotedEscapes", "NAME=\"q\\\" b\\\\ d\\$ t\\` n\\n\"",
                               "q\" b\\ d$ t` n\\n"},
                      ParseRow{"UnquotedEscape", "NAME=Foo\\ Bar", "Foo Bar"},
                      ParseRow{"PartsJoin", "NAME=\"Ubuntu\"' 'Core", "Ubuntu Core"},
                      ParseRow{"QuotedSpansLines", "NAME=\"a\nb\"\nID=x", "a\nb"},
                      ParseRow{"UnquotedTrailingBlanksDropped", "NAME=Arch  \t\n", "Arch"},
                      ParseRow{"QuotedTrailingBlanksKept", "NAME=\"Arch  \"", "Arch  "},
                      ParseRow{"BlanksAroundKey", "  NAME = x", "x"},
                      ParseRow{"CommentIgnored", "# NAME=Commented\nNAME=Real", "Real"},
                      ParseRow{"LastAssignmentWins", "NAME=Old\nNAME=New", "New"},
                      ParseRow{"LineWithoutEqualsSkipped", "garbage line\nNAME=After", "After"},
                      ParseRow{"InvalidKeySkipped", "1NAME=bad\nNAME-X=bad", ""},
                      ParseRow{"UnterminatedQuote", "NAME=\"open", "open"}),
    [](const ::testing::TestParamInfo<ParseRow>& info) { return std::string(info.param.name); });

struct DisplayRow {
    const char* name;
    friend void PrintTo(const DisplayRow& row, std::ostream* os) { *os << row.name; }
    const char* text;
    const char* expected;
};

class OsReleaseDisplayTest : public ::testing::TestWithParam<DisplayRow> {};

TEST_P(OsReleaseDisplayTest, NamesDistributionAndVersion) {
    EXPECT_EQ(OsRelease::parse(QString::fromUtf8(GetParam().text)).displayName(),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OsReleaseDisplayTest,
    ::testing::Values(DisplayRow{"NameAndVersion",
                                 "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                                 "VERSION_ID=\"12\"",
                                 "Debian GNU/Linux 12"},
                      DisplayRow{"RollingUsesPrettyName",
                                 "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux trixie/sid\"",
                                 "Debian GNU/Linux trixie/sid"},
                      DisplayRow{"RollingWithoutPrettyName", "NAME=\"Arch Linux\"\nBUILD_ID=rolling",
                                 "Arch Linux"},
                      DisplayRow{"NoNameFallsBackToLinux", "VERSION_ID=1.2", "Linux 1.2"},
                      DisplayRow{"EmptyFile", "", "Linux"},
                      DisplayRow{"ControlCharactersFlattened",
                                 "NAME=\"Evil\nOS\x1b[31m\"\nVERSION_ID=\" 7\t\"", "Evil OS [31m 7"}),
    [](const ::testing::TestParamInfo<DisplayRow>& info) { return std::string(info.param.name); });

TEST(OsReleaseFilesTest, FirstReadableFileWinsAndNoneMeansLinux) {
    TestEnvironment environment;
    const QString etc = environment.path(QStringLiteral("etc-os-release"));
    const QString lib = environment.path(QStringLiteral("lib-os-release"));
    QFile libFile(lib);
    ASSERT_TRUE(libFile.open(QIODevice::WriteOnly));
    libFile.write("NAME=Fallback\nVERSION_ID=3\n");
    libFile.close();

    EXPECT_EQ(OsRelease::systemDescription({etc, lib}), QStringLiteral("Fallback 3"));
    EXPECT_EQ(OsRelease::systemDescription({etc}), QStringLiteral("Linux"));

    QFile etcFile(etc);
    ASSERT_TRUE(etcFile.open(QIODevice::WriteOnly));
    etcFile.write("NAME=Primary\nVERSION_ID=1\n");
    etcFile.close();
    EXPECT_EQ(OsRelease::systemDescription({etc, lib}), QStringLiteral("Primary 1"));
}

} // namespace
