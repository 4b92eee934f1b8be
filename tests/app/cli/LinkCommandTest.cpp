#include "app/cli/LinkCommand.h"

#include "CliTestSupport.h"
#include "monitor/FakeWirelessLink.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct CommandResult {
    int exitCode;
    QString out;
    QString err;
};

CommandResult runLink(const WirelessLink& link, const QStringList& args = {}) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int exitCode = runLinkCommand(args, link, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {exitCode, out, err};
}

LocalLinkReading reading(std::optional<QString> ssid, int rssi, std::optional<int> noise, double rate,
                         int phyMode, std::optional<int> band) {
    return {QStringLiteral("wlan0"), ssid, rssi, noise, rate, phyMode, band};
}

struct ReadingRow {
    const char* name;
    friend void PrintTo(const ReadingRow& row, std::ostream* os) { *os << row.name; }
    LocalLinkReading reading;
    const char* expected;
};

class LinkCommandReading : public ::testing::TestWithParam<ReadingRow> {};

TEST_P(LinkCommandReading, PrintsOneReading) {
    FakeWirelessLink link;
    link.reading = GetParam().reading;
    const CommandResult result = runLink(link);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(result.err, QString());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkCommandReading,
    ::testing::Values(ReadingRow{"Associated", reading(QStringLiteral("Studio"), -58, -92, 866.7, 5, 2),
                                 "Interface: wlan0\n"
                                 "SSID:      Studio\n"
                                 "RSSI:      -58 dBm\n"
                                 "Noise:     -92 dBm\n"
                                 "Rate:      866.7 Mbit/s\n"
                                 "PHY:       802.11ac\n"
                                 "Band:      5G\n"},
                      ReadingRow{"NoNoiseNoSsidAndWiFi7",
                                 reading(std::nullopt, -71, std::nullopt, 2882.4, 7, 3),
                                 "Interface: wlan0\n"
                                 "SSID:      --\n"
                                 "RSSI:      -71 dBm\n"
                                 "Noise:     --\n"
                                 "Rate:      2882.4 Mbit/s\n"
                                 "PHY:       WiFi\n"
                                 "Band:      6G\n"},
                      ReadingRow{"NotAssociated",
                                 reading(std::nullopt, 0, std::nullopt, 0.0, 0, std::nullopt),
                                 "Interface: wlan0\n"
                                 "SSID:      --\n"
                                 "RSSI:      --\n"
                                 "Noise:     --\n"
                                 "Rate:      --\n"
                                 "PHY:       --\n"
                                 "Band:      --\n"}),
    [](const ::testing::TestParamInfo<ReadingRow>& info) { return std::string(info.param.name); });

TEST(LinkCommand, NoInterfaceIsAnErrorWithAMessage) {
    const CommandResult result = runLink(FakeWirelessLink());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, QString());
    EXPECT_TRUE(result.err.contains(QStringLiteral("no Wi-Fi interface"))) << result.err.toStdString();
}

TEST(LinkCommand, RefusesArguments) {
    FakeWirelessLink link;
    link.reading = reading(QStringLiteral("Studio"), -58, -92, 866.7, 5, 2);
    const CommandResult result = runLink(link, {QStringLiteral("wlan0")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, QString());
    EXPECT_TRUE(result.err.contains(QStringLiteral("usage:"))) << result.err.toStdString();
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
