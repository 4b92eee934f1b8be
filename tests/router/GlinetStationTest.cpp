#include "router/GlinetStation.h"

#include "router/GlinetFieldDump.h"

#include <gtest/gtest.h>

namespace {

struct StationRow {
    std::string name;
    QByteArray tx;
    double rateMbps;
    ClientLinkDetail detail;

    friend void PrintTo(const StationRow& row, std::ostream* os) { *os << row.name; }
};

class GlinetRadioDetailTest : public testing::TestWithParam<StationRow> {};

TEST_P(GlinetRadioDetailTest, ReadsRateAndLinkDetailOfEveryEra) {
    const QByteArray answer =
        R"({"results":[{"mac":"AA:BB:CC:DD:EE:FF","signal":-61,"tx":)" + GetParam().tx + "}]}";
    const auto station = findAssociatedStation(answer, QStringLiteral("aa:bb:cc:dd:ee:ff"));
    ASSERT_TRUE(station.has_value());
    const GlinetRadio radio = radioFromStation(*station);
    EXPECT_EQ(radio.rssi, -61);
    EXPECT_DOUBLE_EQ(radio.txRate, GetParam().rateMbps);
    EXPECT_EQ(radio.linkDetail, GetParam().detail);
}

const QString ac = QStringLiteral("ac");
const QString ax = QStringLiteral("ax");

INSTANTIATE_TEST_SUITE_P(
    Stations, GlinetRadioDetailTest,
    testing::Values(
        StationRow{"acWidthFromRatePerStream", R"({"rate":866700,"mcs":9,"nss":2})", 866.7,
                   ClientLinkDetail(9, 2, 80, std::nullopt, ac)},
        StationRow{"legacyAtExactly54", R"({"rate":54000,"ht":false,"vht":false,"mhz":20})", 54.0,
                   ClientLinkDetail({}, {}, 20, {}, {})},
        StationRow{"wifi7IsBe", R"({"rate":2882400,"eht":true,"he":false,"mcs":13,"nss":2,"mhz":320})",
                   2882.4, ClientLinkDetail(13, 2, 320, std::nullopt, QStringLiteral("be"))},
        StationRow{"heGuardIntervalShortest", R"({"rate":1201000,"he":true,"mcs":11,"nss":2,"he_gi":0})",
                   1201.0, ClientLinkDetail(11, 2, 80, true, ax)},
        StationRow{"heGuardIntervalLong", R"({"rate":573500,"he":true,"mcs":11,"nss":1,"mhz":40,"he_gi":2})",
                   573.5, ClientLinkDetail(11, 1, 40, false, ax)},
        StationRow{"noHeKeyVht", R"({"rate":433300,"vht":true,"mcs":9,"nss":1,"mhz":80,"short_gi":true})",
                   433.3, ClientLinkDetail(9, 1, 80, true, ac)},
        StationRow{"htTwentyBelowLegacyRates", R"({"rate":39000,"ht":true,"mcs":4,"40mhz":false,"mhz":20})",
                   39.0, ClientLinkDetail(4, {}, 20, {}, QStringLiteral("n"))},
        StationRow{"oldBuildFortyMHz", R"({"rate":300000,"mcs":15,"40mhz":true,"short_gi":true})", 300.0,
                   ClientLinkDetail(15, {}, 40, true, QStringLiteral("n"))},
        StationRow{"oldBuildLegacyStation", R"({"rate":54000,"mcs":0,"40mhz":false,"short_gi":false})", 54.0,
                   ClientLinkDetail(0, {}, 20, false, {})},
        StationRow{"noRateNoWidth", R"({"rate":0})", 0.0, ClientLinkDetail()},
        StationRow{"wrongTypes", R"({"rate":"fast","mcs":"9","he":"yes","mhz":-5})", 0.0,
                   ClientLinkDetail()}),
    [](const testing::TestParamInfo<StationRow>& info) { return info.param.name; });

TEST(GlinetStation, WidthLimitsSitAtTheirBoundaries) {
    EXPECT_EQ(estimatedWidthMHz(100.0, 1, false), 20);
    EXPECT_EQ(estimatedWidthMHz(100.1, 1, false), 40);
    EXPECT_EQ(estimatedWidthMHz(400.2, 2, false), 80);
    EXPECT_EQ(estimatedWidthMHz(500.1, std::nullopt, false), 160);
    EXPECT_EQ(estimatedWidthMHz(286.0, 1, true), 20);
    EXPECT_EQ(estimatedWidthMHz(1200.1, 0, true), 160);
    EXPECT_EQ(estimatedWidthMHz(0.0, 1, true), std::nullopt);
}

TEST(GlinetStation, FindsNothingInJunkOrWithoutTheStation) {
    const QString mac = QStringLiteral("aa:bb:cc:dd:ee:ff");
    EXPECT_EQ(findAssociatedStation("<html>500</html>", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":{}})", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"mac":"11:22:33:44:55:66"},3]})", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"signal":-40}]})", QString()), std::nullopt);
}

TEST(GlinetStation, MergesRadioIntoTheListRow) {
    RouterClient row;
    row.mac = QStringLiteral("aa:bb");
    row.txRate = 12.0;
    row.txBytes = 500;
    row.rxBytes = 700;
    // A 32-bit counter of an older build at its top, and a 64-bit one beyond 2^53.
    const auto station = findAssociatedStation(
        R"({"results":[{"mac":"AA:BB","signal":-70,"tx":{"rate":6000,"bytes":4294967295},"rx":{"bytes":0}}]})",
        QStringLiteral("aa:bb"));
    ASSERT_TRUE(station.has_value());
    const RouterClient merged = withRadio(row, radioFromStation(*station));
    EXPECT_EQ(merged.rssi, -70);
    EXPECT_EQ(merged.txRate, 6.0);
    EXPECT_EQ(merged.txBytes, 4294967295u);
    EXPECT_EQ(merged.rxBytes, 700u);
    EXPECT_TRUE(merged.linkDetail.has_value());
    EXPECT_EQ(radioFromStation(
                  *findAssociatedStation(R"({"results":[{"mac":"m","rx":{"bytes":18446744073709551614}}]})",
                                         QStringLiteral("m")))
                  .rxBytes,
              18446744073709551614u);

    const RouterClient bare = withRadio(row, std::nullopt);
    EXPECT_EQ(bare.rssi, -99);
    EXPECT_EQ(bare.txRate, 0.0);
    EXPECT_EQ(bare.txBytes, 500u);
    EXPECT_EQ(bare.linkDetail, std::nullopt);
}

TEST(GlinetStation, BuildsOnlySafeShellCommands) {
    EXPECT_EQ(glinetPingCommand(QStringLiteral("192.168.8.20")),
              QStringLiteral("ping -c 1 192.168.8.20 >/dev/null 2>&1 &"));
    for (const QString& ip : {QStringLiteral("192.168.8"), QStringLiteral("1.2.3.4;reboot"),
                              QStringLiteral("a.b.c.d"), QStringLiteral("1..2.3"), QString()})
        EXPECT_EQ(glinetPingCommand(ip), std::nullopt) << ip.toStdString();
    EXPECT_EQ(glinetAssoclistCommand(QStringLiteral("phy0-ap0")),
              QStringLiteral(R"(ubus call iwinfo assoclist '{"device":"phy0-ap0"}')"));
    EXPECT_EQ(glinetAssoclistCommand(QStringLiteral("wlan0'; reboot; '")), std::nullopt);
    EXPECT_EQ(glinetAssoclistCommand(QString()), std::nullopt);
}

TEST(GlinetStation, ReadsTheDeviceList) {
    EXPECT_EQ(readIwinfoDevices(R"({"devices":["wlan0",3,"wlan1"]})"),
              QStringList({QStringLiteral("wlan0"), QStringLiteral("wlan1")}));
    EXPECT_EQ(readIwinfoDevices("Command failed: Not found"), std::nullopt);
    EXPECT_EQ(readIwinfoDevices(R"({"devices":"wlan0"})"), std::nullopt);
}

TEST(GlinetStation, DumpsTheMatchedStation) {
    const auto station = findAssociatedStation(
        R"({"results":[{"mac":"AA:BB","signal":-54,"tx":{"rate":54000}}]})", QStringLiteral("aa:bb"));
    ASSERT_TRUE(station.has_value());
    EXPECT_EQ(glinetAssoclistDump(QStringLiteral("aa:bb"), *station),
              QStringLiteral("[DIAG] GL.iNet iwinfo assoclist fields for aa:bb:\n"
                             "  mac = AA:BB\n  signal = -54\n  tx = {\"rate\":54000}"));
}

} // namespace
