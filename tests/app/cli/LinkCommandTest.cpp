#include "app/cli/LinkCommand.h"

#include "CliTestSupport.h"
#include "monitor/FakeWirelessLink.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

CliRun runLink(std::optional<LocalLinkReading> reading, const QStringList& args = {}) {
    FakeWirelessLink link;
    link.reading = std::move(reading);
    return capture([&](QTextStream& out, QTextStream& err) { return runLinkCommand(args, link, out, err); });
}

struct ReadingRow {
    const char* name;
    friend void PrintTo(const ReadingRow& row, std::ostream* os) { *os << row.name; }
    LocalLinkReading reading;
    const char* expected;
};

class LinkCommandReading : public ::testing::TestWithParam<ReadingRow> {};

TEST_P(LinkCommandReading, PrintsOneReading) {
    const CliRun result = runLink(GetParam().reading);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(result.err, QString());
}

const QString wlan0 = QStringLiteral("wlan0");
const LocalLinkReading studio{wlan0, QStringLiteral("Studio"), -58, -92, 866.7, 5, 2};

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkCommandReading,
    ::testing::Values(ReadingRow{"Associated", studio,
                                 "Interface: wlan0\n"
                                 "SSID:      Studio\n"
                                 "RSSI:      -58 dBm\n"
                                 "Noise:     -92 dBm\n"
                                 "Rate:      866.7 Mbit/s\n"
                                 "PHY:       802.11ac\n"
                                 "Band:      5G\n"},
                      ReadingRow{"NoNoiseNoSsidAndWiFi7",
                                 {wlan0, std::nullopt, -71, std::nullopt, 2882.4, 7, 3},
                                 "Interface: wlan0\n"
                                 "SSID:      --\n"
                                 "RSSI:      -71 dBm\n"
                                 "Noise:     --\n"
                                 "Rate:      2882.4 Mbit/s\n"
                                 "PHY:       WiFi\n"
                                 "Band:      6G\n"},
                      ReadingRow{"NotAssociated",
                                 {wlan0, std::nullopt, 0, std::nullopt, 0.0, 0, std::nullopt},
                                 "Interface: wlan0\n"
                                 "SSID:      --\n"
                                 "RSSI:      --\n"
                                 "Noise:     --\n"
                                 "Rate:      --\n"
                                 "PHY:       --\n"
                                 "Band:      --\n"}),
    [](const ::testing::TestParamInfo<ReadingRow>& info) { return std::string(info.param.name); });

TEST(LinkCommand, NoInterfaceOrAnArgumentIsAnErrorWithAMessage) {
    const CliRun noInterface = runLink(std::nullopt);
    EXPECT_EQ(noInterface.exitCode, 1);
    EXPECT_TRUE(noInterface.err.contains(QStringLiteral("no Wi-Fi interface")))
        << noInterface.err.toStdString();

    const CliRun withArgument = runLink(studio, {wlan0});
    EXPECT_EQ(withArgument.exitCode, 2);
    EXPECT_TRUE(withArgument.err.contains(QStringLiteral("usage:"))) << withArgument.err.toStdString();
    for (const CliRun& run : {noInterface, withArgument})
        EXPECT_EQ(run.out, QString());
}

TEST(LinkCommand, ProgramOnThisMachineFindsNoWiFi) {
    if (!QDir(QStringLiteral("/sys/class/ieee80211")).isEmpty(QDir::Dirs | QDir::NoDotAndDotDot))
        GTEST_SKIP() << "this machine has Wi-Fi hardware";
    const CliRun run = runCli({QStringLiteral("link")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QString());
    EXPECT_TRUE(run.err.contains(QStringLiteral("veltrano-cli link: this computer has no Wi-Fi interface")))
        << run.err.toStdString();
}

} // namespace
