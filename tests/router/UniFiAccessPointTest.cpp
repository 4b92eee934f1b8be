#include "router/AccessPointCommands.h"
#include "router/AccessPointSSHCredentials.h"
#include "router/UniFiAccessPointLookup.h"
#include "router/UniFiAnswer.h"

#include <gtest/gtest.h>

namespace {

const QString targetMAC = QStringLiteral("0a:1b:2c:3d:4e:5f");

TEST(UniFiAccessPointLookupTest, FollowsTheStationToItsAccessPointsAddress) {
    const QJsonArray stations =
        *uniFiData(R"({"data": [{"mac": "0A:1B:2C:3D:4E:5F", "ap_mac": "80:2a:a8:00:01:02"},
                                                        {"mac": "aa:00:00:00:00:01"}]})");
    const QJsonArray devices = *uniFiData(R"({"data": [{"mac": "80:2A:A8:00:01:99", "ip": "192.168.1.9"},
                                                       {"mac": "80:2A:A8:00:01:02", "ip": "192.168.1.8",
                                                        "config_network": {"ip": "10.1.10.67"}}]})");

    const std::optional<QString> apMAC = uniFiAccessPointMAC(stations, targetMAC);
    ASSERT_EQ(apMAC, QStringLiteral("80:2a:a8:00:01:02"));
    EXPECT_EQ(uniFiAccessPointIP(devices, *apMAC), QStringLiteral("192.168.1.8"));
    EXPECT_FALSE(uniFiAccessPointMAC(stations, QStringLiteral("aa:00:00:00:00:01")));
    EXPECT_FALSE(uniFiAccessPointIP(devices, QStringLiteral("80:2a:a8:00:01:03")));
}

TEST(UniFiAccessPointLookupTest, TakesOnlyAPlainAddress) {
    const auto addressOf = [](const QByteArray& ip) {
        return uniFiAccessPointIP(*uniFiData(R"({"data": [{"mac": "80:2a:a8:00:01:02", "ip": )" + ip + "}]}"),
                                  QStringLiteral("80:2a:a8:00:01:02"));
    };
    EXPECT_EQ(addressOf("\"fd00::8\""), QStringLiteral("fd00::8"));
    EXPECT_FALSE(addressOf("\"-oProxyCommand=reboot\""));
    EXPECT_FALSE(addressOf("\"fe80::1%eth0\""));
    EXPECT_FALSE(addressOf("\"\""));
    EXPECT_FALSE(addressOf("3232235784"));
}

TEST(AccessPointSSHCredentialsTest, ReadsTheMgmtSetting) {
    EXPECT_EQ(accessPointSSHCredentials(R"({"meta": {"rc": "ok"}, "data": [{"key": "connectivity"},
              {"key": "mgmt", "x_ssh_username": "admin", "x_ssh_password": "s3cret", "x_ssh_enabled": true}]})"),
              (AccessPointSSHCredentials{QStringLiteral("admin"), QStringLiteral("s3cret")}));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"data": [{"key": "mgmt", "x_ssh_username": "admin"}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"data": [{"key": "mgmt", "x_ssh_password": "s3cret"}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"data": [{"key": "connectivity"}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"meta": {"rc": "error", "msg": "api.err.NoPermission"}})"));
    EXPECT_FALSE(accessPointSSHCredentials("<html>401</html>"));
}

TEST(AccessPointCommandsTest, BuildsCommandsOnlyFromPlainAddresses) {
    EXPECT_EQ(
        hostapdStationCommand(QStringLiteral("0A:1B:2C:3D:4E:5F")),
        QStringLiteral("for iface in wifi0ap0 wifi1ap2 wifi2ap5 wifi0ap1 wifi1ap3 wifi2ap6; do "
                       "out=$(hostapd_cli -p /var/run/hostapd -i $iface sta 0a:1b:2c:3d:4e:5f 2>/dev/null); "
                       "[ \"$out\" != \"FAIL\" ] && [ -n \"$out\" ] && printf '%s' \"$out\" && break; done"));
    EXPECT_FALSE(hostapdStationCommand(QStringLiteral("0a:1b:2c:3d:4e:5f; reboot")));
    EXPECT_FALSE(hostapdStationCommand(QStringLiteral("0a-1b-2c-3d-4e-5f")));

    EXPECT_EQ(stationPingCommand(QStringLiteral("10.0.0.7")),
              QStringLiteral("ping -c 1 10.0.0.7 >/dev/null 2>&1 &"));
    EXPECT_FALSE(stationPingCommand(QStringLiteral("10.0.0.7;reboot")));
    EXPECT_FALSE(stationPingCommand(QStringLiteral("10.0.0")));
    EXPECT_FALSE(stationPingCommand(QStringLiteral("10.0.0.256")));
    EXPECT_FALSE(stationPingCommand(QString()));
}

} // namespace
