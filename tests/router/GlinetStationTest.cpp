#include "router/GlinetStation.h"

#include "router/GlinetFieldDump.h"
#include "router/GlinetModelName.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::optional<QJsonObject> station(const QByteArray& fields) {
    return findAssociatedStation(R"({"results":[{"mac":"AA:BB","signal":-61,)" + fields + "}]}", u"aa:bb"_s);
}

// One row each side of how the era, the guard interval and the width are told.
TEST(GlinetStation, ReadsRateAndLinkDetail) {
    const auto expect = [](const QByteArray& tx, double rateMbps, const ClientLinkDetail& detail) {
        const GlinetRadio radio = radioFromStation(station(R"("tx":)" + tx).value_or(QJsonObject()));
        EXPECT_EQ(radio.rssi, -61) << tx.constData();
        EXPECT_DOUBLE_EQ(radio.txRate, rateMbps) << tx.constData();
        EXPECT_EQ(radio.linkDetail, detail) << tx.constData();
    };
    expect(R"({"rate":866700,"mcs":9,"nss":2})", 866.7, ClientLinkDetail(9, 2, 80, {}, u"ac"_s));
    expect(R"({"rate":54000,"ht":false,"vht":false,"mhz":20})", 54.0, ClientLinkDetail({}, {}, 20, {}, {}));
    expect(R"({"rate":2882400,"eht":true,"mcs":13,"nss":2,"mhz":320})", 2882.4,
           ClientLinkDetail(13, 2, 320, {}, u"be"_s));
    expect(R"({"rate":1201000,"he":true,"mcs":11,"nss":2,"he_gi":0})", 1201.0,
           ClientLinkDetail(11, 2, 80, true, u"ax"_s));
    expect(R"({"rate":573500,"he":true,"nss":1,"mhz":40,"he_gi":2})", 573.5,
           ClientLinkDetail({}, 1, 40, false, u"ax"_s));
    expect(R"({"rate":300000,"40mhz":true,"short_gi":true})", 300.0,
           ClientLinkDetail({}, {}, 40, true, u"n"_s));
    expect(R"({"rate":54000,"40mhz":false,"short_gi":false})", 54.0, ClientLinkDetail({}, {}, 20, false, {}));
    expect(R"({"rate":"fast","mcs":"9","he":"yes","mhz":-5})", 0.0, ClientLinkDetail());

    EXPECT_EQ(findAssociatedStation("<html>500</html>", u"aa:bb"_s), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"mac":"11:22"},3]})", u"aa:bb"_s), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"signal":-40}]})", QString()), std::nullopt);
}

TEST(GlinetStation, WidthEstimateSitsAtItsBoundaries) {
    EXPECT_EQ(estimatedWidthMHz(100.0, 1, false), 20);
    EXPECT_EQ(estimatedWidthMHz(100.1, 1, false), 40);
    EXPECT_EQ(estimatedWidthMHz(500.1, std::nullopt, false), 160);
    EXPECT_EQ(estimatedWidthMHz(286.0, 1, true), 20);
    EXPECT_EQ(estimatedWidthMHz(1200.1, 0, true), 160);
    EXPECT_EQ(estimatedWidthMHz(0.0, 1, true), std::nullopt);
}

// Radio counters replace the list's only when the radio has them.
TEST(GlinetStation, MergesRadioIntoTheListRow) {
    const RouterClient row(u"aa:bb"_s, {}, {}, {}, -99, 12.0, true, 500, 700, std::nullopt);
    const RouterClient merged = withRadio(row, radioFromStation(*station(R"("tx":{"rate":6000,"bytes":9})")));
    EXPECT_EQ(merged, RouterClient(u"aa:bb"_s, {}, {}, {}, -61, 6.0, true, 9, 700,
                                   ClientLinkDetail({}, {}, 20, {}, {})));
    EXPECT_EQ(withRadio(row, std::nullopt),
              RouterClient(u"aa:bb"_s, {}, {}, {}, -99, 0.0, true, 500, 700, std::nullopt));
}

// One refused row per guard.
TEST(GlinetStation, BuildsOnlySafeShellCommands) {
    EXPECT_EQ(glinetPingCommand(u"192.168.8.20"_s), u"ping -c 1 192.168.8.20 >/dev/null 2>&1 &"_s);
    for (const QString& ip : {u"192.168.8"_s, u"1.2.3.4;reboot"_s, u"1..2.3"_s})
        EXPECT_EQ(glinetPingCommand(ip), std::nullopt) << ip.toStdString();
    EXPECT_EQ(glinetAssoclistCommand(u"phy0-ap0"_s),
              uR"(ubus call iwinfo assoclist '{"device":"phy0-ap0"}')"_s);
    EXPECT_EQ(glinetAssoclistCommand(u"wlan0'; reboot; '"_s), std::nullopt);
    EXPECT_EQ(glinetAssoclistCommand(QString()), std::nullopt);
}

TEST(GlinetStation, ReadsTheDeviceListAndTheBoard) {
    EXPECT_EQ(readIwinfoDevices(R"({"devices":["wlan0",3,"wlan1"]})"), (QStringList{u"wlan0"_s, u"wlan1"_s}));
    EXPECT_EQ(readIwinfoDevices("Command failed: Not found"), std::nullopt);
    EXPECT_EQ(readGlinetBoardModel(R"({"kernel":"5.4","model":"GL.iNet GL-MT3000"})"),
              u"GL.iNet GL-MT3000"_s);
    EXPECT_EQ(readGlinetBoardModel(R"({"model":42})"), std::nullopt);
    // The Mudi's board names no GL- code; the adapter's own test takes a coded board.
    EXPECT_EQ(glinetModelName(u"GL.iNet E5800 board"_s), u"Mudi 7 (GL-E5800)"_s);
    EXPECT_EQ(glinetModelName(u"GL.iNet GL-X750"_s), u"GL.iNet GL-X750"_s);
    EXPECT_EQ(glinetAssoclistDump(u"aa:bb"_s, *station(R"("tx":{"rate":54000})")),
              u"[DIAG] GL.iNet iwinfo assoclist fields for aa:bb:\n"
              "  mac = AA:BB\n  signal = -61\n  tx = {\"rate\":54000}"_s);
}

} // namespace
