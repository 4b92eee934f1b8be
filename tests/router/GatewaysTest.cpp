#include "platform/LinuxGateways.h"
#include "router/GatewayDiscovery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using namespace LinuxGateways;

// One /proc/net/route row; addresses as a little-endian kernel prints them.
QByteArray route(const QByteArray& iface, const QByteArray& destination, const QByteArray& gateway,
                 const QByteArray& mask = "00000000") {
    return iface + '\t' + destination + '\t' + gateway + "\t0003\t0\t0\t600\t" + mask + "\t0\t0\t0\n";
}

TEST(LinuxGateways, FindsDefaultGatewaysInRouteTableOrder) {
    if constexpr (std::endian::native != std::endian::little)
        GTEST_SKIP() << "the rows are written in little-endian byte order";
    // A default route with a gateway, a subnet route, a default route without a
    // gateway, a default route under a mask, a short row, the wifi gateway again.
    const QByteArray table =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n" +
        route("enp3s0", "00000000", "0100000A") + route("wlp2s0", "0008A8C0", "00000000", "00FFFFFF") +
        route("wg0", "00000000", "00000000") + route("eth1", "00000000", "0101A8C0", "000000FF") +
        "eth2\t00000000\t0102A8C0\n" + route("wlp2s0", "00000000", "0108A8C0") +
        route("eth3", "00000000", "0108A8C0");
    EXPECT_EQ(gatewayLinesFromRouteTable(table),
              (QList<GatewayLine>{{u"10.0.0.1"_s, u"enp3s0"_s}, {u"192.168.8.1"_s, u"wlp2s0"_s}}));
    EXPECT_TRUE(gatewayLinesFromRouteTable("<html>not a table</html>\n").isEmpty());
}

// The speed is read by the interface's name, which must not lead the read out of
// the interface folder; the kernel writes -1 for an unknown speed.
TEST(LinuxGateways, FindsTheWirelessInterfacesAndTheWiredSpeedWithinTheFolder) {
    QTemporaryDir root;
    for (const char* folder : {"net/enp3s0", "net/wlp2s0/phy80211", "net/wlan9/wireless", "net/lo"})
        ASSERT_TRUE(QDir().mkpath(root.filePath(QLatin1String(folder))));
    const QString net = root.filePath(u"net"_s);
    EXPECT_EQ(wifiInterfaceNames(net), (QStringList{u"wlan9"_s, u"wlp2s0"_s}));

    for (const auto& [path, text] : {std::pair{"net/enp3s0/speed", "1000\n"},
                                     std::pair{"net/lo/speed", "-1\n"}, std::pair{"speed", "10\n"}}) {
        QFile file(root.filePath(QLatin1String(path)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
    }
    EXPECT_EQ(readLinkSpeed(u"enp3s0"_s, net), 1'000'000'000u);
    EXPECT_EQ(readLinkSpeed(u"lo"_s, net), std::nullopt);
    EXPECT_EQ(readLinkSpeed(u".."_s, net), std::nullopt);
    EXPECT_EQ(readLinkSpeed(u"../net/enp3s0"_s, net), std::nullopt);
}

TEST(GatewayDiscovery, LabelsEachGatewayWithItsLinkOrOffersTheFallback) {
    const QList<GatewayLine> lines{
        {u"192.168.8.1"_s, u"wlp2s0"_s}, {u"10.0.0.1"_s, u"enp3s0"_s}, {u"172.16.0.1"_s, u"usb0"_s}};
    QStringList speedAskedFor;
    const LinkSpeedLookup speed = [&](const QString& name) -> std::optional<std::uint64_t> {
        speedAskedFor.append(name);
        return name == u"enp3s0"_s ? std::optional<std::uint64_t>(2'500'000'000) : std::nullopt;
    };
    EXPECT_EQ(gatewayOptions(lines, {{u"wlp2s0"_s, 6}}, speed),
              (QList<GatewayOption>{{u"192.168.8.1"_s, u"192.168.8.1 \u2014 WiFi-AX (wlp2s0)"_s},
                                    {u"10.0.0.1"_s, u"10.0.0.1 \u2014 2.5GbE (enp3s0)"_s},
                                    {u"172.16.0.1"_s, u"172.16.0.1"_s}}));
    EXPECT_EQ(speedAskedFor, (QStringList{u"enp3s0"_s, u"usb0"_s}));
    EXPECT_EQ(linkSpeedText(999'999'999), u"999M"_s);
    EXPECT_EQ(linkSpeedText(1'000'000'000), u"1GbE"_s);
    EXPECT_EQ(wifiDescription(u"wlan0"_s, {{u"wlan0"_s, 0}}), u"WiFi (wlan0)"_s);
    EXPECT_EQ(defaultGateways(lines), (QStringList{u"192.168.8.1"_s, u"10.0.0.1"_s, u"172.16.0.1"_s}));
    EXPECT_TRUE(isGatewayOnWiFi(u"192.168.8.1"_s, lines, {{u"wlp2s0"_s, 0}}));
    EXPECT_FALSE(isGatewayOnWiFi(u"10.0.0.1"_s, lines, {{u"wlp2s0"_s, 0}}));

    EXPECT_EQ(gatewayOptions({}, {}, speed), (QList<GatewayOption>{{u"192.168.8.1"_s, u"192.168.8.1"_s}}));
    EXPECT_EQ(defaultGateways({}), QStringList{u"192.168.8.1"_s});
}

TEST(GatewayDiscovery, LocalSubnetMatchesUnderTheInterfaceMask) {
    const QList<InterfaceAddress> addresses{{u"127.0.0.1"_s, u"255.0.0.0"_s},
                                            {u"10.9.0.2"_s, QString()},
                                            {u"192.168.8.20"_s, u"255.255.255.0"_s},
                                            {u"172.16.4.9"_s, u"255.255.240.0"_s}};
    for (const QString& ip : {u"192.168.8.1"_s, u"172.16.15.254"_s})
        EXPECT_TRUE(isOnLocalSubnet(ip, addresses)) << ip.toStdString();
    for (const QString& ip : {u"192.168.9.1"_s, u"172.16.16.1"_s, u"127.0.0.53"_s, u"10.9.0.1"_s,
                              u"192.168.8.256"_s, u"192.168.8.+1"_s})
        EXPECT_FALSE(isOnLocalSubnet(ip, addresses)) << ip.toStdString();
}

} // namespace
