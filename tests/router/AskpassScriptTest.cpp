#include "router/AskpassScript.h"

#include "TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct PasswordRow {
    std::string name;
    QString password;

    friend void PrintTo(const PasswordRow& row, std::ostream* os) { *os << row.name; }
};

class AskpassScriptTest : public testing::TestWithParam<PasswordRow> {
protected:
    TestEnvironment environment;
    QString scriptPath = environment.path(QStringLiteral("askpass.sh"));
};

TEST_P(AskpassScriptTest, PrintsThePasswordExactlyAndIsPrivateFromTheStart) {
    ASSERT_TRUE(AskpassScript::write(scriptPath, GetParam().password));

    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(scriptPath).constData(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    // Run as ssh runs it: executed directly, with a minimal environment.
    QProcess script;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent-home"));
    script.setProcessEnvironment(environment);
    script.start(scriptPath, {});
    ASSERT_TRUE(script.waitForFinished(5000));
    EXPECT_EQ(QString::fromUtf8(script.readAllStandardOutput()), GetParam().password + QLatin1Char('\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, AskpassScriptTest,
    testing::Values(PasswordRow{"plain", QStringLiteral("goodpass")}, PasswordRow{"empty", QString()},
                    PasswordRow{"singleQuotes", QStringLiteral("it's 'quoted''")},
                    PasswordRow{"doubleQuotes", QStringLiteral("say \"hi\"")},
                    PasswordRow{"printfFormat", QStringLiteral("100%s %d %%")},
                    PasswordRow{"backslashes", QStringLiteral("a\\nb\\\\c\\")},
                    PasswordRow{"shellExpansions", QStringLiteral("$HOME $(id) `id` ${x:-y} !1")},
                    PasswordRow{"outerSpaces", QStringLiteral("  two  spaces  ")},
                    PasswordRow{"nonAscii", QStringLiteral("pässwörd—·")}),
    [](const testing::TestParamInfo<PasswordRow>& info) { return info.param.name; });

TEST(AskpassScript, EscapesEachSingleQuoteAsFourCharacters) {
    EXPECT_EQ(AskpassScript::content(QStringLiteral("a'b")),
              QByteArray("#!/bin/sh\nprintf '%s\\n' 'a'\\''b'\n"));
}

TEST(AskpassScript, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    TestEnvironment environment;
    const QString victim = environment.path(QStringLiteral("victim"));
    const QString scriptPath = environment.path(QStringLiteral("askpass.sh"));
    QFile victimFile(victim);
    ASSERT_TRUE(victimFile.open(QIODevice::WriteOnly));
    victimFile.write("untouched");
    victimFile.close();
    ASSERT_TRUE(QFile::link(victim, scriptPath));

    ASSERT_TRUE(AskpassScript::write(scriptPath, QStringLiteral("secret")));
    ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(victimFile.readAll(), QByteArray("untouched"));
    EXPECT_FALSE(QFileInfo(scriptPath).isSymLink());

    AskpassScript::remove(scriptPath);
    EXPECT_FALSE(QFileInfo::exists(scriptPath));
}

} // namespace
