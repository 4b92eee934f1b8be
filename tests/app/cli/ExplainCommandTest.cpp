#include "app/cli/ExplainCommand.h"

#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The classification itself is the signal model's; here only what the verb
// prints around it and which arguments it refuses.
CliRun explain(const QStringList& args) {
    return capture([&](QTextStream& out, QTextStream& err) { return runExplainCommand(args, out, err); });
}

TEST(ExplainCommand, PrintsJsonOrASummaryOfOneReadingWithTheRateTruncated) {
    const CliRun json = explain({QStringLiteral("--json"), QStringLiteral("-62"), QStringLiteral("149.9")});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out, QStringLiteral("{\"rssi\":-62,\"state\":\"Marginal\",\"percent\":76}\n"));

    const CliRun summary = runCli({QStringLiteral("explain"), QStringLiteral("-127"), QStringLiteral("100")});
    EXPECT_EQ(summary.exitCode, 0);
    for (const QString& part : {QStringLiteral("-99 dBm"), QStringLiteral("Critical"), QStringLiteral("0%")})
        EXPECT_TRUE(summary.out.contains(part)) << summary.out.toStdString();
}

TEST(ExplainCommand, RefusesUnusableArgumentsWithExitTwo) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("-62")},
          QStringList{QStringLiteral("-62"), QStringLiteral("100"), QStringLiteral("7")},
          QStringList{QStringLiteral("-62.5"), QStringLiteral("100")},
          QStringList{QStringLiteral("-62"), QStringLiteral("fast")},
          QStringList{QStringLiteral("-62"), QStringLiteral("-5")},
          QStringList{QStringLiteral("-62"), QStringLiteral("1e300")},
          QStringList{QStringLiteral("-62"), QStringLiteral("nan")},
          QStringList{QStringLiteral("-62"), QStringLiteral("100"), QStringLiteral("--verbose")}}) {
        const CliRun run = explain(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QStringLiteral("explain"))) << run.err.toStdString();
    }
}

} // namespace
