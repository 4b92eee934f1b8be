#include "platform/LinuxGateways.h"

#include "platform/WirelessLink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>

namespace {

using namespace LinuxGateways;

const QByteArray routeHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

// One /proc/net/route row; addresses as a little-endian kernel prints them.
QByteArray route(const QByteArray& iface, const QByteArray& destination, const QByteArray& gateway,
                 const QByteArray& mask = "00000000") {
    return iface + '\t' + destination + '\t' + gateway + "\t0003\t0\t0\t600\t" + mask + "\t0\t0\t0\n";
}

TEST(LinuxGateways, FindsDefaultGatewaysInRouteTableOrder) {
    if constexpr (std::endian::native != std::endian::little) {
        GTEST_SKIP() << "the rows are written in little-endian byte order";
    }
    // A default route with a gateway, a subnet route, a default route without a
    // gateway, a default route under a mask, a short row, the wifi gateway again.
    const QByteArray table =
        routeHeader + route("enp3s0", "00000000", "0100000A") +
        route("wlp2s0", "0008A8C0", "00000000", "00FFFFFF") + route("wg0", "00000000", "00000000") +
        route("eth1", "00000000", "0101A8C0", "000000FF") + "eth2\t00000000\t0102A8C0\n" +
        route("wlp2s0", "00000000", "0108A8C0") + route("eth3", "00000000", "0108A8C0");
    EXPECT_EQ(gatewayLinesFromRouteTable(table),
              (QList<GatewayLine>{{QStringLiteral("10.0.0.1"), QStringLiteral("enp3s0")},
                                  {QStringLiteral("192.168.8.1"), QStringLiteral("wlp2s0")}}));
    EXPECT_TRUE(gatewayLinesFromRouteTable("<html>not a table</html>\n").isEmpty());
}

TEST(LinuxGateways, ReadsSysfsMegabitsOrNothing) {
    EXPECT_EQ(linkSpeedFromSysfs("2500\n"), 2'500'000'000ULL);
    for (const QByteArray& text :
         {QByteArray("-1\n"), QByteArray("unknown\n"), QByteArray("99999999999999999\n")})
        EXPECT_EQ(linkSpeedFromSysfs(text), std::nullopt) << text.constData();
}

class FakeSysClassNet : public testing::Test {
protected:
    void addInterface(const QString& name, const QByteArray& speed = {}, const QString& wirelessMarker = {}) {
        const QString path = root.filePath(name);
        ASSERT_TRUE(QDir().mkpath(path));
        if (!wirelessMarker.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(path + QLatin1Char('/') + wirelessMarker));
        }
        if (!speed.isNull()) {
            QFile file(path + QStringLiteral("/speed"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(speed);
        }
    }

    QTemporaryDir root;
};

TEST_F(FakeSysClassNet, ReadsTheSpeedOfANamedInterfaceOnly) {
    addInterface(QStringLiteral("enp3s0"), "2500\n");
    addInterface(QStringLiteral("eno1"), "-1\n");
    const QString folder = root.path();

    EXPECT_EQ(readLinkSpeed(QStringLiteral("enp3s0"), folder), 2'500'000'000ULL);
    EXPECT_FALSE(readLinkSpeed(QStringLiteral("eno1"), folder));
    EXPECT_FALSE(readLinkSpeed(QStringLiteral("missing0"), folder));
    // A name from elsewhere must not lead the read out of the interface folder.
    EXPECT_FALSE(
        readLinkSpeed(QStringLiteral("../") + QDir(folder).dirName() + QStringLiteral("/enp3s0"), folder));
}

TEST_F(FakeSysClassNet, FindsInterfacesOfTheWirelessLayer) {
    addInterface(QStringLiteral("wlp2s0"), {}, QStringLiteral("phy80211"));
    addInterface(QStringLiteral("wlan9"), {}, QStringLiteral("wireless"));
    addInterface(QStringLiteral("enp3s0"), "1000\n");
    addInterface(QStringLiteral("lo"));

    EXPECT_EQ(wifiInterfaceNames(root.path()),
              (QStringList{QStringLiteral("wlan9"), QStringLiteral("wlp2s0")}));
    EXPECT_TRUE(wifiInterfaceNames(root.filePath(QStringLiteral("absent"))).isEmpty());
}

class CurrentLinkOn : public WirelessLink {
public:
    explicit CurrentLinkOn(std::optional<LocalLinkReading> reading)
        : reading(std::move(reading)) {}
    std::optional<int> currentChannelBand() const override { return std::nullopt; }
    std::optional<LocalLinkReading> currentLink() const override { return reading; }

private:
    std::optional<LocalLinkReading> reading;
};

TEST(WiFiInterfacesTest, OnlyTheCurrentInterfaceHasAMode) {
    LocalLinkReading reading;
    reading.interfaceName = QStringLiteral("wlan1");
    reading.phyMode = 6;
    const QStringList names{QStringLiteral("wlan0"), QStringLiteral("wlan1")};

    const QList<WiFiInterface> withLink = wifiInterfaces(names, CurrentLinkOn(reading));
    ASSERT_EQ(withLink.size(), 2);
    EXPECT_EQ(withLink.at(0).phyMode, 0);
    EXPECT_EQ(withLink.at(1).phyMode, 6);
    EXPECT_EQ(wifiInterfaces(names, CurrentLinkOn(std::nullopt)).at(1).phyMode, 0);
}

} // namespace
