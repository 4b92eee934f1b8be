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

TEST_F(SessionLogCommandTest, PrintsTheStoredLogAsMarkdownOrAsItsJsonAlsoFromTheBinary) {
    store(LogEntry::encodeList(entries));
    const CliRun markdown = run({});
    EXPECT_EQ(markdown.exitCode, 0);
    EXPECT_TRUE(markdown.out.endsWith(
        QStringLiteral("| 12:26:40 | Critical | -84 dBm | B · Signal critical — connection at risk |\n"
                       "| 12:27:40 | — | — | Router connected · 10.0.0.1 |\n")));

    QProcessEnvironment processEnvironment = QProcessEnvironment::systemEnvironment();
    processEnvironment.insert(QStringLiteral("XDG_DATA_HOME"), environment.dataHome());
    const CliRun json = runCli({QStringLiteral("session-log"), QStringLiteral("--json")}, processEnvironment);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_TRUE(json.out.endsWith(u'\n'));
    EXPECT_EQ(LogEntry::decodeList(json.out.toUtf8()), entries);
}

// Only the running program may move the file aside or replace it.
TEST_F(SessionLogCommandTest, MissingFileIsEmptyAndUnreadableFileFailsBothLeftAsTheyAre) {
    EXPECT_EQ(run({QStringLiteral("--json")}).out, QStringLiteral("[]\n"));
    EXPECT_FALSE(QFile::exists(path));

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
