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

    EXPECT_EQ(explain({QStringLiteral("-127"), QStringLiteral("100")}).out,
              QStringLiteral("RSSI:    -99 dBm\nRate:    100 Mbit/s\nState:   Critical\nQuality: 0%\n"));
}

// One row per guard: the count, the RSSI, and a rate that would truncate to 0.
TEST(ExplainCommand, RefusesUnusableArgumentsWithExitTwo) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("-62")}, QStringList{QStringLiteral("-62.5"), QStringLiteral("100")},
          QStringList{QStringLiteral("-62"), QStringLiteral("-0.5")}}) {
        const CliRun run = explain(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QStringLiteral("explain"))) << run.err.toStdString();
    }
}

} // namespace
