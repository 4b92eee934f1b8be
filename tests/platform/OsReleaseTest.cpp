#include "platform/OsRelease.h"

#include <gtest/gtest.h>

namespace {

// The file is shell assignments; the name must come out as a shell would read it.
// One row per quoting rule, then names a shell would not take, then an open quote.
TEST(OsRelease, ReadsTheNameLikeTheShell) {
    for (const auto& [text, name] : std::vector<std::pair<const char*, const char*>>{
             {"NAME='a\\b \"c\"'", "a\\b \"c\""},
             {"NAME=\"q\\\" b\\\\ d\\$ t\\` n\\n\"", "q\" b\\ d$ t` n\\n"},
             {"NAME=\"Ubuntu\"' 'Core", "Ubuntu Core"},
             {"# NAME=Commented\n1NAME=bad\nNAME=Arch  \t\n", "Arch"},
             {"NAME=\"open", "open"}})
        EXPECT_EQ(OsRelease::parse(QString::fromUtf8(text)).value(QStringLiteral("NAME")),
                  QString::fromUtf8(name))
            << text;
}

// The description ends up in the session log: no line breaks or escape sequences.
// One row per source of the name: version, pretty name, the default.
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

} // namespace
