#include "router/HostapdStation.h"

#include "router/AccessPointCommands.h"
#include "router/AccessPointRow.h"
#include "router/AccessPointSSHCredentials.h"
#include "router/UniFiAccessPointLookup.h"
#include "router/UniFiAnswer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString targetMAC = u"0a:1b:2c:3d:4e:5f"_s;

TEST(HostapdStation, ReadsTheTargetsEntry) {
    const auto read = [](const QString& output) { return hostapdStation(output, targetMAC); };
    EXPECT_EQ(
        read(u"0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\nsignal=-58\ntx_bytes=5000000000\nrx_bytes=2000\n"_s),
        (HostapdStation{-58, 5000000000ULL, 2000, 0.0}));
    EXPECT_EQ(
        read(u"0A:1B:2C:3D:4E:5F\r\nrx_bytes=7\r\ntx_rate_info=12010 mcs 9 shortGI\r\nsignal=-61\r\n"_s),
        (HostapdStation{-61, 0, 7, 1201.0}));
    EXPECT_EQ(read(u"signal=-61 [-63, -64]\ntx_bytes=-5\ntx_rate_info=fast"_s),
              (HostapdStation{-61, 0, 0, 0.0}));
    // `all_sta` output: only the target's own block counts.
    EXPECT_EQ(
        read(
            u"aa:aa:aa:aa:aa:aa\nsignal=-40\n0a:1b:2c:3d:4e:5f\nsignal=-72\naa:aa:aa:aa:aa:ab\nsignal=-30"_s),
        (HostapdStation{-72, 0, 0, 0.0}));
    for (const QString& output : {u"aa:aa:aa:aa:aa:aa\nsignal=-40"_s, u"FAIL"_s, u"signal=\ntx_bytes=1"_s})
        EXPECT_EQ(read(output), std::nullopt) << output.toStdString();
}

// The rate per stream against the limits of 20/40/80 MHz; HE limits are higher.
TEST(HostapdStation, WidthEstimateSitsAtItsBoundaries) {
    EXPECT_EQ(estimatedWidthMHz(286.0, 1, u"ax"_s), 20);
    EXPECT_EQ(estimatedWidthMHz(1200.1, std::nullopt, u"ax"_s), 160);
    EXPECT_EQ(estimatedWidthMHz(100.0, 1, QString()), 20);
    EXPECT_EQ(estimatedWidthMHz(100.1, 1, QString()), 40);
    EXPECT_EQ(estimatedWidthMHz(300.0, 0, QString()), 80) << "no streams count as one";
    EXPECT_EQ(estimatedWidthMHz(0.0, 2, u"ax"_s), std::nullopt);
}

TEST(AccessPointRow, CompletesTheEntryFromTheCachedStationRow) {
    RouterClient stationRow(targetMAC, u"10.0.0.7"_s, u"r5"_s, u"5G"_s, -70, 300.0, true, 1, 2,
                            ClientLinkDetail(std::nullopt, 2, std::nullopt, std::nullopt, u"ax"_s));
    EXPECT_EQ(
        accessPointRow(targetMAC, HostapdStation{-58, 1000, 2000, 1201.0}, cachedStationFacts(stationRow)),
        (RouterClient{targetMAC, u"10.0.0.7"_s, u"r5"_s, u"5G"_s, -58, 0.0, true, 1000, 2000,
                      ClientLinkDetail{std::nullopt, 2, 80, std::nullopt, u"ax"_s}}));

    stationRow.linkDetail->widthMHz = 40;
    EXPECT_EQ(accessPointRow(targetMAC, HostapdStation{-58, 1, 2, 1201.0}, cachedStationFacts(stationRow))
                  .linkDetail->widthMHz,
              40);
    EXPECT_EQ(accessPointRow(targetMAC, HostapdStation{-60, 5, 6, 0.0}, CachedStationFacts{}),
              (RouterClient{targetMAC, {}, {}, u"wlan"_s, -60, 0.0, true, 5, 6, ClientLinkDetail{}}));
}

TEST(UniFiAccessPointLookup, FollowsTheStationToItsAccessPointsPlainAddress) {
    const QJsonArray stations =
        *uniFiData(R"({"data": [{"mac": "0A:1B:2C:3D:4E:5F", "ap_mac": "80:2a:a8:00:01:02"},
                                                        {"mac": "aa:00:00:00:00:01"}]})");
    const QJsonArray devices = *uniFiData(R"({"data": [{"mac": "80:2A:A8:00:01:99", "ip": "192.168.1.9"},
        {"mac": "80:2A:A8:00:01:02", "ip": "192.168.1.8", "config_network": {"ip": "10.1.10.67"}}]})");
    const std::optional<QString> apMAC = uniFiAccessPointMAC(stations, targetMAC);
    ASSERT_EQ(apMAC, u"80:2a:a8:00:01:02"_s);
    EXPECT_EQ(uniFiAccessPointIP(devices, *apMAC), u"192.168.1.8"_s);
    EXPECT_FALSE(uniFiAccessPointMAC(stations, u"aa:00:00:00:00:01"_s));
    EXPECT_FALSE(uniFiAccessPointIP(devices, u"80:2a:a8:00:01:03"_s));

    const auto addressOf = [](const QByteArray& ip) {
        return uniFiAccessPointIP(*uniFiData(R"({"data": [{"mac": "80:2a:a8:00:01:02", "ip": )" + ip + "}]}"),
                                  u"80:2a:a8:00:01:02"_s);
    };
    EXPECT_EQ(addressOf("\"fd00::8\""), u"fd00::8"_s);
    for (const char* ip : {"\"-oProxyCommand=reboot\"", "\"fe80::1%eth0\"", "\"\"", "3232235784"})
        EXPECT_FALSE(addressOf(ip)) << ip;
}

TEST(AccessPointSSHCredentials, ReadsTheMgmtSetting) {
    EXPECT_EQ(accessPointSSHCredentials(R"({"meta": {"rc": "ok"}, "data": [{"key": "connectivity"},
              {"key": "mgmt", "x_ssh_username": "admin", "x_ssh_password": "s3cret", "x_ssh_enabled": true}]})"),
              (AccessPointSSHCredentials{u"admin"_s, u"s3cret"_s}));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"data": [{"key": "mgmt", "x_ssh_password": "s3cret"}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"meta": {"rc": "error", "msg": "api.err.NoPermission"}})"));
}

TEST(AccessPointCommands, BuildsCommandsOnlyFromPlainAddresses) {
    EXPECT_EQ(hostapdStationCommand(u"0A:1B:2C:3D:4E:5F"_s),
              u"for iface in wifi0ap0 wifi1ap2 wifi2ap5 wifi0ap1 wifi1ap3 wifi2ap6; do "
              "out=$(hostapd_cli -p /var/run/hostapd -i $iface sta 0a:1b:2c:3d:4e:5f 2>/dev/null); "
              "[ \"$out\" != \"FAIL\" ] && [ -n \"$out\" ] && printf '%s' \"$out\" && break; done"_s);
    EXPECT_FALSE(hostapdStationCommand(u"0a:1b:2c:3d:4e:5f; reboot"_s));
    EXPECT_FALSE(hostapdStationCommand(u"0a-1b-2c-3d-4e-5f"_s));
    EXPECT_EQ(stationPingCommand(u"10.0.0.7"_s), u"ping -c 1 10.0.0.7 >/dev/null 2>&1 &"_s);
    for (const QString& ip : {u"10.0.0.7;reboot"_s, u"10.0.0"_s, u"10.0.0.256"_s})
        EXPECT_FALSE(stationPingCommand(ip)) << ip.toStdString();
}

} // namespace
