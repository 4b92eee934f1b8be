#include "app/cli/GatewaysCommand.h"

#include "CliTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(GatewaysCommand, ListsEveryOptionInOrderWithItsLabel) {
    const QList<GatewayOption> options{
        {QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1 — WiFi-AX (wlan0)")},
        {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 — Ethernet 1GbE (eth0)")}};
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(runGatewaysCommand({}, options, outStream, errStream), 0);
    EXPECT_EQ(out, QStringLiteral("192.168.8.1  192.168.8.1 — WiFi-AX (wlan0)\n"
                                  "10.0.0.1     10.0.0.1 — Ethernet 1GbE (eth0)\n"));
    EXPECT_EQ(runGatewaysCommand({QStringLiteral("--all")}, options, outStream, errStream), 2);
}

// The real binary reads this machine's routing table and sends nothing: at least
// one option (the fall-back when there is no default route).
TEST(GatewaysCommand, RealBinaryListsAtLeastOneOption) {
    const CliRun run = runCli({QStringLiteral("gateways")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.trimmed().isEmpty());
}

} // namespace
