#include "app/cli/LinkCommand.h"

#include "CliTestSupport.h"
#include "monitor/FakeWirelessLink.h"

#include <gtest/gtest.h>

namespace {

CliRun runLink(std::optional<LocalLinkReading> reading, const QStringList& args = {}) {
    FakeWirelessLink link;
    link.reading = std::move(reading);
    return capture([&](QTextStream& out, QTextStream& err) { return runLinkCommand(args, link, out, err); });
}

const QString wlan0 = QStringLiteral("wlan0");

TEST(LinkCommand, PrintsOneReadingWithDashesForWhatTheLinkDoesNotTell) {
    EXPECT_EQ(runLink(LocalLinkReading{wlan0, QStringLiteral("Studio"), -58, -92, 866.7, 5, 2}).out,
              QStringLiteral("Interface: wlan0\nSSID:      Studio\nRSSI:      -58 dBm\nNoise:     -92 dBm\n"
                             "Rate:      866.7 Mbit/s\nPHY:       802.11ac\nBand:      5G\n"));
    const CliRun unassociated =
        runLink(LocalLinkReading{wlan0, std::nullopt, 0, std::nullopt, 0.0, 0, std::nullopt});
    EXPECT_EQ(unassociated.exitCode, 0);
    EXPECT_EQ(unassociated.out,
              QStringLiteral("Interface: wlan0\nSSID:      --\nRSSI:      --\nNoise:     --\n"
                             "Rate:      --\nPHY:       --\nBand:      --\n"));
}

TEST(LinkCommand, NoInterfaceIsAnErrorWithAMessageAndAnArgumentIsMisuse) {
    const CliRun noInterface = runLink(std::nullopt);
    EXPECT_EQ(noInterface.exitCode, 1);
    EXPECT_TRUE(noInterface.err.contains(QStringLiteral("no Wi-Fi interface")));
    EXPECT_EQ(runLink(std::nullopt, {wlan0}).exitCode, 2);
}

} // namespace
