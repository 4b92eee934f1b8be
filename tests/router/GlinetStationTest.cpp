#include "router/GlinetStation.h"

#include "router/GlinetFieldDump.h"
#include "router/GlinetModelName.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(GlinetStation, ReadsRateAndLinkDetailOfEveryEra) {
    const QString ac = u"ac"_s;
    const QString ax = u"ax"_s;
    const struct {
        const char* name;
        QByteArray tx;
        double rateMbps;
        ClientLinkDetail detail;
    } rows[] = {
        {"acWidthFromRatePerStream", R"({"rate":866700,"mcs":9,"nss":2})", 866.7,
         ClientLinkDetail(9, 2, 80, std::nullopt, ac)},
        {"legacyAtExactly54", R"({"rate":54000,"ht":false,"vht":false,"mhz":20})", 54.0,
         ClientLinkDetail({}, {}, 20, {}, {})},
        {"wifi7IsBe", R"({"rate":2882400,"eht":true,"he":false,"mcs":13,"nss":2,"mhz":320})", 2882.4,
         ClientLinkDetail(13, 2, 320, std::nullopt, u"be"_s)},
        {"heGuardIntervalShortest", R"({"rate":1201000,"he":true,"mcs":11,"nss":2,"he_gi":0})", 1201.0,
         ClientLinkDetail(11, 2, 80, true, ax)},
        {"heGuardIntervalLong", R"({"rate":573500,"he":true,"mcs":11,"nss":1,"mhz":40,"he_gi":2})", 573.5,
         ClientLinkDetail(11, 1, 40, false, ax)},
        {"htTwentyBelowLegacyRates", R"({"rate":39000,"ht":true,"mcs":4,"40mhz":false,"mhz":20})", 39.0,
         ClientLinkDetail(4, {}, 20, {}, u"n"_s)},
        {"oldBuildFortyMHz", R"({"rate":300000,"mcs":15,"40mhz":true,"short_gi":true})", 300.0,
         ClientLinkDetail(15, {}, 40, true, u"n"_s)},
        {"oldBuildLegacyStation", R"({"rate":54000,"mcs":0,"40mhz":false,"short_gi":false})", 54.0,
         ClientLinkDetail(0, {}, 20, false, {})},
        {"wrongTypes", R"({"rate":"fast","mcs":"9","he":"yes","mhz":-5})", 0.0, ClientLinkDetail()},
    };
    for (const auto& row : rows) {
        const auto station = findAssociatedStation(
            R"({"results":[{"mac":"AA:BB:CC:DD:EE:FF","signal":-61,"tx":)" + row.tx + "}]}",
            u"aa:bb:cc:dd:ee:ff"_s);
        ASSERT_TRUE(station.has_value()) << row.name;
        const GlinetRadio radio = radioFromStation(*station);
        EXPECT_EQ(radio.rssi, -61) << row.name;
        EXPECT_DOUBLE_EQ(radio.txRate, row.rateMbps) << row.name;
        EXPECT_EQ(radio.linkDetail, row.detail) << row.name;
    }
}

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
    const QString mac = u"aa:bb:cc:dd:ee:ff"_s;
    EXPECT_EQ(findAssociatedStation("<html>500</html>", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":{}})", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"mac":"11:22:33:44:55:66"},3]})", mac), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"signal":-40}]})", QString()), std::nullopt);
}

TEST(GlinetStation, MergesRadioIntoTheListRow) {
    RouterClient row;
    row.mac = u"aa:bb"_s;
    row.txRate = 12.0;
    row.txBytes = 500;
    row.rxBytes = 700;
    // A 32-bit counter of an older build at its top, and a 64-bit one beyond 2^53.
    const auto station = findAssociatedStation(
        R"({"results":[{"mac":"AA:BB","signal":-70,"tx":{"rate":6000,"bytes":4294967295},"rx":{"bytes":0}}]})",
        u"aa:bb"_s);
    ASSERT_TRUE(station.has_value());
    const RouterClient merged = withRadio(row, radioFromStation(*station));
    EXPECT_EQ(merged.rssi, -70);
    EXPECT_EQ(merged.txRate, 6.0);
    EXPECT_EQ(merged.txBytes, 4294967295u);
    EXPECT_EQ(merged.rxBytes, 700u);
    EXPECT_TRUE(merged.linkDetail.has_value());
    EXPECT_EQ(
        radioFromStation(*findAssociatedStation(
                             R"({"results":[{"mac":"m","rx":{"bytes":18446744073709551614}}]})", u"m"_s))
            .rxBytes,
        18446744073709551614u);

    const RouterClient bare = withRadio(row, std::nullopt);
    EXPECT_EQ(bare.rssi, -99);
    EXPECT_EQ(bare.txRate, 0.0);
    EXPECT_EQ(bare.txBytes, 500u);
    EXPECT_EQ(bare.linkDetail, std::nullopt);
}

TEST(GlinetStation, BuildsOnlySafeShellCommands) {
    EXPECT_EQ(glinetPingCommand(u"192.168.8.20"_s), u"ping -c 1 192.168.8.20 >/dev/null 2>&1 &"_s);
    for (const QString& ip : {u"192.168.8"_s, u"1.2.3.4;reboot"_s, u"a.b.c.d"_s, u"1..2.3"_s, QString()})
        EXPECT_EQ(glinetPingCommand(ip), std::nullopt) << ip.toStdString();
    EXPECT_EQ(glinetAssoclistCommand(u"phy0-ap0"_s),
              uR"(ubus call iwinfo assoclist '{"device":"phy0-ap0"}')"_s);
    EXPECT_EQ(glinetAssoclistCommand(u"wlan0'; reboot; '"_s), std::nullopt);
    EXPECT_EQ(glinetAssoclistCommand(QString()), std::nullopt);
}

TEST(GlinetStation, ReadsTheDeviceListAndTheBoard) {
    EXPECT_EQ(readIwinfoDevices(R"({"devices":["wlan0",3,"wlan1"]})"), (QStringList{u"wlan0"_s, u"wlan1"_s}));
    EXPECT_EQ(readIwinfoDevices("Command failed: Not found"), std::nullopt);
    EXPECT_EQ(readIwinfoDevices(R"({"devices":"wlan0"})"), std::nullopt);

    EXPECT_EQ(
        readGlinetBoardModel(R"({"kernel":"5.4","model":"GL.iNet GL-MT3000","board_name":"glinet,mt3000"})"),
        u"GL.iNet GL-MT3000"_s);
    EXPECT_EQ(readGlinetBoardModel("sh: ubus: not found"), std::nullopt);
    EXPECT_EQ(readGlinetBoardModel(R"({"model":42})"), std::nullopt);
}

// Known boards get their name before the code, and Slate AX is no Flint.
TEST(GlinetStation, NamesKnownBoardsAndPassesOthersThrough) {
    EXPECT_EQ(glinetModelName(u"GL.iNet GL-MT6000, rev 2"_s), u"Flint 2 (GL-MT6000)"_s);
    EXPECT_EQ(glinetModelName(u"GL.iNet E5800 board"_s), u"Mudi 7 (GL-E5800)"_s);
    EXPECT_EQ(glinetModelName(u"GL-AXT1800"_s), u"Slate AX (GL-AXT1800)"_s);
    EXPECT_EQ(glinetModelName(u"GL.iNet GL-X750"_s), u"GL.iNet GL-X750"_s);
}

TEST(GlinetStation, DumpsTheMatchedStation) {
    const auto station = findAssociatedStation(
        R"({"results":[{"mac":"AA:BB","signal":-54,"tx":{"rate":54000}}]})", u"aa:bb"_s);
    ASSERT_TRUE(station.has_value());
    EXPECT_EQ(
        glinetAssoclistDump(u"aa:bb"_s, *station),
        u"[DIAG] GL.iNet iwinfo assoclist fields for aa:bb:\n  mac = AA:BB\n  signal = -54\n  tx = {\"rate\":54000}"_s);
}

} // namespace
