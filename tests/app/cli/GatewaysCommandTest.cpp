#include "app/cli/GatewaysCommand.h"

#include <gtest/gtest.h>

namespace {

// Reading the routing table is LinuxGateways' job; the verb prints the options.
TEST(GatewaysCommand, ListsEveryOptionInOrderWithItsLabelAndTakesNoArguments) {
    const QList<GatewayOption> options{
        {QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1 — WiFi-AX (wlan0)")},
        {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 — Ethernet 1GbE (eth0)")}};
    QString out;
    QTextStream outStream(&out);
    QTextStream errStream(stderr);
    EXPECT_EQ(runGatewaysCommand({}, options, outStream, errStream), 0);
    EXPECT_EQ(out, QStringLiteral("192.168.8.1  192.168.8.1 — WiFi-AX (wlan0)\n"
                                  "10.0.0.1     10.0.0.1 — Ethernet 1GbE (eth0)\n"));
    EXPECT_EQ(runGatewaysCommand({QStringLiteral("--all")}, options, outStream, errStream), 2);
}

} // namespace
