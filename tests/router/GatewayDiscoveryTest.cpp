#include "router/GatewayDiscovery.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(GatewayDiscovery, LinkSpeedPrintsGigabitsOrMegabits) {
    EXPECT_EQ(linkSpeedText(999'999'999), u"999M"_s);
    EXPECT_EQ(linkSpeedText(1'000'000'000), u"1GbE"_s);
    EXPECT_EQ(linkSpeedText(2'500'000'000), u"2.5GbE"_s);
}

TEST(GatewayDiscovery, WiFiDescriptionNamesTheStandardInUse) {
    const auto described = [](const QString& name, int phyMode) {
        return wifiDescription(name, {{u"wlan0"_s, phyMode}});
    };
    EXPECT_EQ(described(u"wlan0"_s, 0), u"WiFi (wlan0)"_s);
    EXPECT_EQ(described(u"wlan0"_s, 6), u"WiFi-AX (wlan0)"_s);
    EXPECT_EQ(described(u"wlan0"_s, 7), u"WiFi-WIFI (wlan0)"_s);
    EXPECT_EQ(described(u"wlan1"_s, 6), u"WiFi (wlan1)"_s);
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
    EXPECT_EQ(defaultGateways(lines), (QStringList{u"192.168.8.1"_s, u"10.0.0.1"_s, u"172.16.0.1"_s}));

    const auto noSpeed = [](const QString&) { return std::optional<std::uint64_t>(); };
    EXPECT_EQ(gatewayOptions({}, {}, noSpeed), (QList<GatewayOption>{{u"192.168.8.1"_s, u"192.168.8.1"_s}}));
    EXPECT_EQ(defaultGateways({}), QStringList{u"192.168.8.1"_s});
}

TEST(GatewayDiscovery, GatewayOnWiFiFollowsTheInterfaceOfItsRoute) {
    const QList<GatewayLine> lines{{u"192.168.8.1"_s, u"wlan0"_s}, {u"10.0.0.1"_s, u"eth0"_s}};
    const QList<WiFiInterface> wifi{{u"wlan0"_s, 0}};
    EXPECT_TRUE(isGatewayOnWiFi(u"192.168.8.1"_s, lines, wifi));
    EXPECT_FALSE(isGatewayOnWiFi(u"10.0.0.1"_s, lines, wifi));
    EXPECT_FALSE(isGatewayOnWiFi(u"192.168.9.1"_s, lines, wifi));
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
