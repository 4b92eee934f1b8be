#include "app/cli/SessionLogCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "logs/LogEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class SessionLogCommandTest : public ::testing::Test {
protected:
    CliRun run(const QStringList& args) const {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runSessionLogCommand(args, path, out, err); });
    }

    void store(const QByteArray& data) const {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

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
    const CliRun result = run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.isEmpty());
    const QStringList lines = result.out.split(u'\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.first(), QStringLiteral("# Veltrano Session Log"));
    EXPECT_EQ(lines[6],
              QStringLiteral("| 12:26:40 | Critical | -84 dBm | B · Signal critical — connection at risk |"));
    EXPECT_EQ(lines[7], QStringLiteral("| 12:27:40 | — | — | Router connected · 10.0.0.1 |"));
}

TEST_F(SessionLogCommandTest, JsonPrintsEntriesInFileFormAlsoFromTheBinaryInDataHome) {
    store(LogEntry::encodeList(entries));
    const CliRun result = run({QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.endsWith(u'\n'));
    EXPECT_EQ(LogEntry::decodeList(result.out.toUtf8()), entries);

    QProcessEnvironment processEnvironment = QProcessEnvironment::systemEnvironment();
    processEnvironment.insert(QStringLiteral("XDG_DATA_HOME"), environment.dataHome());
    const CliRun binary =
        runCli({QStringLiteral("session-log"), QStringLiteral("--json")}, processEnvironment);
    EXPECT_EQ(binary.exitCode, 0);
    EXPECT_EQ(LogEntry::decodeList(binary.out.toUtf8()), entries);
}

TEST_F(SessionLogCommandTest, MissingFileIsAnEmptyLogAndStaysMissing) {
    const CliRun result = run({QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QStringLiteral("[]\n"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SessionLogCommandTest, UnreadableFileFailsAndIsLeftAlone) {
    const QByteArray damaged = R"([{"timestamp":1,"state":"Excellent","rssi":-50.5,"message":"m"}])";
    store(damaged);
    const CliRun result = run({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(path));
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("session_log.json")});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
}

TEST_F(SessionLogCommandTest, RejectsUnknownArguments) {
    for (const QStringList& args : {QStringList{QStringLiteral("--xml")},
                                    QStringList{QStringLiteral("--json"), QStringLiteral("extra")}}) {
        const CliRun result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(result.err.isEmpty());
    }
}

} // namespace
