#include "app/cli/SessionLogCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "logs/LogEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct CommandRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class SessionLogCommandTest : public ::testing::Test {
protected:
    CommandRun run(const QStringList& args) const {
        CommandRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        result.exitCode = runSessionLogCommand(args, path, out, err);
        out.flush();
        err.flush();
        return result;
    }

    void store(const QByteArray& data) const {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QStringList folderContent() const { return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files); }

    TestEnvironment environment;
    QString path = environment.dataHome() + QStringLiteral("/Veltrano/session_log.json");
    const QList<LogEntry> entries{
        {736'000'000.25, QStringLiteral("Critical"), -84, 12,
         QStringLiteral("B · Signal critical — connection at risk")},
        {736'000'060.5, QStringLiteral("—"), std::nullopt, std::nullopt,
         QStringLiteral("Router connected · 10.0.0.1")},
    };
};

TEST_F(SessionLogCommandTest, PrintsStoredLogAsMarkdown) {
    store(LogEntry::encodeList(entries));
    const CommandRun result = run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.isEmpty());
    const QStringList lines = result.out.split(u'\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.first(), QStringLiteral("# Veltrano Session Log"));
    EXPECT_EQ(lines[6],
              QStringLiteral("| 12:26:40 | Critical | -84 dBm | B · Signal critical — connection at risk |"));
    EXPECT_EQ(lines[7], QStringLiteral("| 12:27:40 | — | — | Router connected · 10.0.0.1 |"));
}

TEST_F(SessionLogCommandTest, JsonPrintsEntriesInFileForm) {
    store(LogEntry::encodeList(entries));
    const CommandRun result = run({QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.endsWith(u'\n'));
    EXPECT_EQ(LogEntry::decodeList(result.out.toUtf8()), entries);
}

TEST_F(SessionLogCommandTest, MissingFileIsAnEmptyLogAndStaysMissing) {
    const CommandRun result = run({QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QStringLiteral("[]\n"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SessionLogCommandTest, UnreadableFileFailsAndIsLeftAlone) {
    const QByteArray damaged = R"([{"timestamp":1,"state":"Excellent","rssi":-50.5,"message":"m"}])";
    store(damaged);
    const CommandRun result = run({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(path));
    EXPECT_EQ(folderContent(), QStringList{QStringLiteral("session_log.json")});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
}

struct ArgsRow {
    const char* name;
    friend void PrintTo(const ArgsRow& row, std::ostream* os) { *os << row.name; }
    QStringList args;
};

class SessionLogCommandArgsTest : public SessionLogCommandTest,
                                  public ::testing::WithParamInterface<ArgsRow> {};

TEST_P(SessionLogCommandArgsTest, RejectsUnknownArguments) {
    const CommandRun result = run(GetParam().args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_FALSE(result.err.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SessionLogCommandArgsTest,
    ::testing::Values(ArgsRow{"UnknownOption", {QStringLiteral("--xml")}},
                      ArgsRow{"TrailingWord", {QStringLiteral("--json"), QStringLiteral("extra")}}),
    [](const ::testing::TestParamInfo<ArgsRow>& info) { return std::string(info.param.name); });

TEST_F(SessionLogCommandTest, BinaryReadsTheLogInDataHome) {
    store(LogEntry::encodeList(entries));
    QProcessEnvironment processEnvironment = QProcessEnvironment::systemEnvironment();
    processEnvironment.insert(QStringLiteral("XDG_DATA_HOME"), environment.dataHome());
    const CliRun result =
        runCli({QStringLiteral("session-log"), QStringLiteral("--json")}, processEnvironment);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(LogEntry::decodeList(result.out.toUtf8()), entries);
}

} // namespace
