#include "router/GatewayDiscovery.h"

#include <gtest/gtest.h>

namespace {

template <typename Row> std::string rowName(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

struct SpeedRow {
    std::string name;
    std::uint64_t bitsPerSecond;
    QString text;
    friend void PrintTo(const SpeedRow& row, std::ostream* os) { *os << row.name; }
};

class LinkSpeedTextTest : public testing::TestWithParam<SpeedRow> {};

TEST_P(LinkSpeedTextTest, PrintsGigabitsOrMegabits) {
    EXPECT_EQ(linkSpeedText(GetParam().bitsPerSecond), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Speeds, LinkSpeedTextTest,
                         testing::Values(SpeedRow{"fastEthernet", 100'000'000, QStringLiteral("100M")},
                                         SpeedRow{"justBelowGigabit", 999'999'999, QStringLiteral("999M")},
                                         SpeedRow{"gigabit", 1'000'000'000, QStringLiteral("1GbE")},
                                         SpeedRow{"twoPointFive", 2'500'000'000, QStringLiteral("2.5GbE")},
                                         SpeedRow{"ten", 10'000'000'000, QStringLiteral("10GbE")}),
                         rowName<SpeedRow>);

struct DescriptionRow {
    std::string name;
    QString interfaceName;
    int phyMode;
    QString description;
    friend void PrintTo(const DescriptionRow& row, std::ostream* os) { *os << row.name; }
};

class WiFiDescriptionTest : public testing::TestWithParam<DescriptionRow> {};

TEST_P(WiFiDescriptionTest, NamesTheStandardInUse) {
    const QList<WiFiInterface> wifi{{QStringLiteral("wlan0"), GetParam().phyMode}};
    EXPECT_EQ(wifiDescription(GetParam().interfaceName, wifi), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WiFiDescriptionTest,
    testing::Values(
        DescriptionRow{"idle", QStringLiteral("wlan0"), 0, QStringLiteral("WiFi (wlan0)")},
        DescriptionRow{"a", QStringLiteral("wlan0"), 1, QStringLiteral("WiFi-A (wlan0)")},
        DescriptionRow{"ax", QStringLiteral("wlan0"), 6, QStringLiteral("WiFi-AX (wlan0)")},
        DescriptionRow{"beyondAx", QStringLiteral("wlan0"), 7, QStringLiteral("WiFi-WIFI (wlan0)")},
        DescriptionRow{"otherInterface", QStringLiteral("wlan1"), 6, QStringLiteral("WiFi (wlan1)")}),
    rowName<DescriptionRow>);

TEST(GatewayOptionsTest, LabelsEachGatewayWithItsLink) {
    const QList<GatewayLine> lines{{QStringLiteral("192.168.8.1"), QStringLiteral("wlp2s0")},
                                   {QStringLiteral("10.0.0.1"), QStringLiteral("enp3s0")},
                                   {QStringLiteral("172.16.0.1"), QStringLiteral("usb0")}};
    QStringList speedAskedFor;
    const LinkSpeedLookup speed = [&](const QString& name) -> std::optional<std::uint64_t> {
        speedAskedFor.append(name);
        return name == QStringLiteral("enp3s0") ? std::optional<std::uint64_t>(2'500'000'000) : std::nullopt;
    };

    const QList<GatewayOption> expected{
        {QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1 \u2014 WiFi-AX (wlp2s0)")},
        {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1 \u2014 2.5GbE (enp3s0)")},
        {QStringLiteral("172.16.0.1"), QStringLiteral("172.16.0.1")}};
    EXPECT_EQ(gatewayOptions(lines, {{QStringLiteral("wlp2s0"), 6}}, speed), expected);
    EXPECT_EQ(speedAskedFor, (QStringList{QStringLiteral("enp3s0"), QStringLiteral("usb0")}));
    EXPECT_EQ(defaultGateways(lines), (QStringList{QStringLiteral("192.168.8.1"), QStringLiteral("10.0.0.1"),
                                                   QStringLiteral("172.16.0.1")}));
}

TEST(GatewayOptionsTest, WithoutRoutesOffersTheFallbackAddress) {
    const auto noSpeed = [](const QString&) { return std::optional<std::uint64_t>(); };
    const QList<GatewayOption> fallback{{QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1")}};
    EXPECT_EQ(gatewayOptions({}, {}, noSpeed), fallback);
    EXPECT_EQ(defaultGateways({}), QStringList{QStringLiteral("192.168.8.1")});
}

TEST(GatewayOnWiFiTest, FollowsTheInterfaceOfTheGatewaysRoute) {
    const QList<GatewayLine> lines{{QStringLiteral("192.168.8.1"), QStringLiteral("wlan0")},
                                   {QStringLiteral("10.0.0.1"), QStringLiteral("eth0")}};
    const QList<WiFiInterface> wifi{{QStringLiteral("wlan0"), 0}};

    EXPECT_TRUE(isGatewayOnWiFi(QStringLiteral("192.168.8.1"), lines, wifi));
    EXPECT_FALSE(isGatewayOnWiFi(QStringLiteral("10.0.0.1"), lines, wifi));
    EXPECT_FALSE(isGatewayOnWiFi(QStringLiteral("192.168.9.1"), lines, wifi));
}

struct SubnetRow {
    std::string name;
    QString ip;
    bool onSubnet;
    friend void PrintTo(const SubnetRow& row, std::ostream* os) { *os << row.name; }
};

class LocalSubnetTest : public testing::TestWithParam<SubnetRow> {};

TEST_P(LocalSubnetTest, MatchesUnderTheInterfaceMask) {
    const QList<InterfaceAddress> addresses{{QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0")},
                                            {QStringLiteral("10.9.0.2"), QString()},
                                            {QStringLiteral("192.168.8.20"), QStringLiteral("255.255.255.0")},
                                            {QStringLiteral("172.16.4.9"), QStringLiteral("255.255.240.0")}};
    EXPECT_EQ(isOnLocalSubnet(GetParam().ip, addresses), GetParam().onSubnet);
}

INSTANTIATE_TEST_SUITE_P(Addresses, LocalSubnetTest,
                         testing::Values(SubnetRow{"sameSlash24", QStringLiteral("192.168.8.1"), true},
                                         SubnetRow{"otherSlash24", QStringLiteral("192.168.9.1"), false},
                                         SubnetRow{"insideSlash20", QStringLiteral("172.16.15.254"), true},
                                         SubnetRow{"justOutsideSlash20", QStringLiteral("172.16.16.1"),
                                                   false},
                                         SubnetRow{"loopbackIsNotLocal", QStringLiteral("127.0.0.53"), false},
                                         SubnetRow{"addressWithoutMask", QStringLiteral("10.9.0.1"), false},
                                         SubnetRow{"partAbove255", QStringLiteral("192.168.8.256"), false},
                                         SubnetRow{"threeParts", QStringLiteral("192.168.8"), false},
                                         SubnetRow{"emptyPart", QStringLiteral("192.168..1"), false},
                                         SubnetRow{"signedPart", QStringLiteral("192.168.8.+1"), false},
                                         SubnetRow{"hostName", QStringLiteral("router.lan"), false}),
                         rowName<SubnetRow>);

} // namespace
