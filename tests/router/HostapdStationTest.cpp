#include "router/HostapdStation.h"

#include "router/AccessPointRow.h"

#include <gtest/gtest.h>

namespace {

const QString targetMAC = QStringLiteral("0a:1b:2c:3d:4e:5f");

struct OutputRow {
    std::string name;
    QString output;
    std::optional<HostapdStation> expected;

    friend void PrintTo(const OutputRow& row, std::ostream* os) { *os << row.name; }
};

class HostapdStationTest : public testing::TestWithParam<OutputRow> {};

TEST_P(HostapdStationTest, ReadsTheTargetsEntry) {
    EXPECT_EQ(hostapdStation(GetParam().output, targetMAC), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, HostapdStationTest,
    testing::Values(
        OutputRow{"plain",
                  QStringLiteral("0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\nsignal=-58\ntx_bytes=1000\n"
                                 "rx_bytes=2000\n"),
                  HostapdStation{-58, 1000, 2000, 0.0}},
        OutputRow{
            "unorderedWithMcsSuffix",
            QStringLiteral(
                "0A:1B:2C:3D:4E:5F\r\nrx_bytes=7\r\ntx_rate_info=12010 mcs 9 shortGI\r\nsignal=-61\r\n"),
            HostapdStation{-61, 0, 7, 1201.0}},
        OutputRow{"vhtSuffixes", QStringLiteral("signal=-70\ntx_rate_info=8667 vhtmcs 9 vhtnss 2 shortGI"),
                  HostapdStation{-70, 0, 0, 866.7}},
        OutputRow{"bareRate", QStringLiteral("0a:1b:2c:3d:4e:5f\nsignal=-66\ntx_rate_info=540"),
                  HostapdStation{-66, 0, 0, 54.0}},
        OutputRow{"countersBeyond32Bits",
                  QStringLiteral("signal=-50\ntx_bytes=5000000000\nrx_bytes=18446744073709551615"),
                  HostapdStation{-50, 5000000000ULL, 18446744073709551615ULL, 0.0}},
        OutputRow{"chainFigures", QStringLiteral("signal=-61 [-63, -64]\ntx_bytes=-5\ntx_rate_info=fast"),
                  HostapdStation{-61, 0, 0, 0.0}},
        OutputRow{"allStaTargetSecond",
                  QStringLiteral("aa:aa:aa:aa:aa:aa\nsignal=-40\ntx_bytes=9\n0a:1b:2c:3d:4e:5f\nsignal=-72\n"
                                 "aa:aa:aa:aa:aa:ab\nsignal=-30"),
                  HostapdStation{-72, 0, 0, 0.0}},
        OutputRow{"allStaWithoutTarget", QStringLiteral("aa:aa:aa:aa:aa:aa\nsignal=-40"), std::nullopt},
        OutputRow{"fail", QStringLiteral("FAIL"), std::nullopt}, OutputRow{"empty", QString(), std::nullopt},
        OutputRow{"noSignalLine", QStringLiteral("0a:1b:2c:3d:4e:5f\ntx_bytes=1000"), std::nullopt},
        OutputRow{"unreadableSignal", QStringLiteral("signal=\ntx_bytes=1"), std::nullopt}),
    [](const testing::TestParamInfo<OutputRow>& info) { return info.param.name; });

struct WidthRow {
    std::string name;
    double rate;
    std::optional<int> nss;
    QString proto;
    std::optional<int> width;

    friend void PrintTo(const WidthRow& row, std::ostream* os) { *os << row.name; }
};

class WidthEstimateTest : public testing::TestWithParam<WidthRow> {};

TEST_P(WidthEstimateTest, ComparesTheRatePerStream) {
    const WidthRow& row = GetParam();
    EXPECT_EQ(estimatedWidthMHz(row.rate, row.nss, row.proto), row.width);
}

INSTANTIATE_TEST_SUITE_P(Rates, WidthEstimateTest,
                         testing::Values(WidthRow{"axTwoStreams", 1201.0, 2, QStringLiteral("ax"), 80},
                                         WidthRow{"axAt600", 600.0, 1, QStringLiteral("ax"), 40},
                                         WidthRow{"axAbove1200", 1200.1, std::nullopt, QStringLiteral("ax"),
                                                  160},
                                         WidthRow{"axAt286", 286.0, 1, QStringLiteral("ax"), 20},
                                         WidthRow{"acAt500", 1000.0, 2, QStringLiteral("ac"), 80},
                                         WidthRow{"acAbove500", 500.1, 1, QStringLiteral("ac"), 160},
                                         WidthRow{"acAbove100", 100.1, 1, QString(), 40},
                                         WidthRow{"acAt100", 100.0, 1, QString(), 20},
                                         WidthRow{"zeroStreamsCountAsOne", 300.0, 0, QString(), 80},
                                         WidthRow{"noRate", 0.0, 2, QStringLiteral("ax"), std::nullopt}),
                         [](const testing::TestParamInfo<WidthRow>& info) { return info.param.name; });

TEST(AccessPointRowTest, CompletesTheEntryFromTheCachedStationRow) {
    RouterClient stationRow(
        targetMAC, QStringLiteral("10.0.0.7"), QStringLiteral("r5"), QStringLiteral("5G"), -70, 300.0, true,
        1, 2, ClientLinkDetail(std::nullopt, 2, std::nullopt, std::nullopt, QStringLiteral("ax")));
    const RouterClient row =
        accessPointRow(targetMAC, HostapdStation{-58, 1000, 2000, 1201.0}, cachedStationFacts(stationRow));
    EXPECT_EQ(row, (RouterClient{targetMAC, QStringLiteral("10.0.0.7"), QStringLiteral("r5"),
                                 QStringLiteral("5G"), -58, 0.0, true, 1000, 2000,
                                 ClientLinkDetail{std::nullopt, 2, 80, std::nullopt, QStringLiteral("ax")}}));

    stationRow.linkDetail->widthMHz = 40;
    EXPECT_EQ(accessPointRow(targetMAC, HostapdStation{-58, 1, 2, 1201.0}, cachedStationFacts(stationRow))
                  .linkDetail->widthMHz,
              40);
}

TEST(AccessPointRowTest, WithoutCachedFactsTheBandIsUnknown) {
    const RouterClient row = accessPointRow(targetMAC, HostapdStation{-60, 5, 6, 0.0}, CachedStationFacts{});
    EXPECT_EQ(row, (RouterClient{
                       targetMAC, {}, {}, QStringLiteral("wlan"), -60, 0.0, true, 5, 6, ClientLinkDetail{}}));
}

} // namespace
