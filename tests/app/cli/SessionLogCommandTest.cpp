#include "app/cli/SessionLogCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "logs/LogEntry.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// The markdown itself is SessionLog's; the verb picks the form. Only the running
// program may move an unreadable file aside or replace it.
TEST(SessionLogCommandTest, PrintsTheStoredLogInEitherFormAndLeavesAnUnreadableFileAsItIs) {
    TestEnvironment environment;
    const QString path = environment.dataHome() + QStringLiteral("/Veltrano/session_log.json");
    const auto run = [&path](const QStringList& args) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runSessionLogCommand(args, path, out, err); });
    };
    const auto store = [&path](const QByteArray& data) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    EXPECT_EQ(run({QStringLiteral("--json")}).out, QStringLiteral("[]\n"));
    EXPECT_FALSE(QFile::exists(path));

    const QList<LogEntry> entries{{736'000'000.25, QStringLiteral("Critical"), -84, 12, QStringLiteral("B")}};
    ASSERT_TRUE(store(LogEntry::encodeList(entries)));
    EXPECT_TRUE(run({}).out.startsWith(QStringLiteral("# Veltrano Session Log")));
    const CliRun json = run({QStringLiteral("--json")});
    EXPECT_TRUE(json.out.endsWith(u'\n'));
    EXPECT_EQ(LogEntry::decodeList(json.out.toUtf8()), entries);

    const QByteArray damaged = R"([{"timestamp":1,"state":"Excellent","rssi":-50.5,"message":"m"}])";
    ASSERT_TRUE(store(damaged));
    const CliRun result = run({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(path));
    EXPECT_EQ(run({QStringLiteral("--json"), QStringLiteral("extra")}).exitCode, 2);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == damaged);
}

} // namespace
