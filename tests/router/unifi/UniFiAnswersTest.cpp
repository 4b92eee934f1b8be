#include "router/RowNormalisation.h"
#include "router/unifi/AccessPointCommands.h"
#include "router/unifi/AccessPointRow.h"
#include "router/unifi/AccessPointSSHCredentials.h"
#include "router/unifi/HostapdStation.h"
#include "router/unifi/UniFiAccessPointLookup.h"
#include "router/unifi/UniFiAnswer.h"
#include "router/unifi/UniFiLogin.h"
#include "router/unifi/UniFiStationRow.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QJsonObject station(const QByteArray& fields) {
    return parseRouterJson("{\"mac\": \"0a:1b:2c:3d:4e:5f\", " + fields + "}")
        .value_or(QJsonDocument())
        .object();
}

TEST(UniFiStationRow, MapsSignalBandAndWiredFlag) {
    // None for rssi: the station is not a wireless row.
    const auto expect = [](const QByteArray& fields, std::optional<int> rssi,
                           const QString& iface = BandLabel::unknownWireless) {
        const std::optional<RouterClient> client = uniFiStationRow(station(fields));
        EXPECT_EQ(client ? std::optional(std::pair(client->rssi, client->iface)) : std::nullopt,
                  rssi ? std::optional(std::pair(*rssi, iface)) : std::nullopt)
            << fields.constData();
    };
    expect(R"("signal": -63, "rssi": 33)", -63);
    // `rssi` counts above a floor of -96 dBm and is never dBm itself.
    expect(R"("rssi": 0)", -96);
    expect(R"("rssi": -71)", -99);
    expect(R"("signal": "-58", "rssi": 38)", -58);
    expect(R"("signal": null)", -99);
    expect(R"("radio": "ng")", -99, BandLabel::twoPointFour);
    expect(R"("radio": "11be")", -99);
    expect(R"("is_wired": "true")", std::nullopt);
    expect(R"("is_wired": 1)", std::nullopt);
    expect(R"("is_wired": 0)", -99);
}

TEST(UniFiStationRow, ReadsNumericStringsFallsBackForNamesAndDropsUnusableNumbers) {
    const std::optional<RouterClient> row = uniFiStationRow(
        station(R"("hostname": "", "name": "", "oui": "Canon", "last_ip": "10.0.0.7", "tx_rate": "270000",
           "tx_bytes": "8823820", "rx_bytes": 18446744073709551615, "nss": "2", "channel_width": "40",
           "radio_proto": "ac", "signal": -63)"));
    EXPECT_EQ(row, RouterClient(u"0a:1b:2c:3d:4e:5f"_s, u"10.0.0.7"_s, u"Canon"_s, BandLabel::unknownWireless,
                                -63, 270.0, true, 8823820, 18446744073709551615ULL,
                                ClientLinkDetail{std::nullopt, 2, 40, std::nullopt, u"ac"_s}));
    const std::optional<RouterClient> odd =
        uniFiStationRow(station(R"("hostname": "cam\nroot# ", "radio_proto": "ac\u001b")"));
    EXPECT_EQ(odd->hostname, u"cam\\x0Aroot# "_s);
    EXPECT_EQ(odd->linkDetail->phyMode, u"ac\\x1B"_s);
}

TEST(UniFiStationRow, ListKeepsOnlyWirelessStationsWithAMACAndNeedsADataArray) {
    const std::optional<QJsonArray> data = uniFiData(R"({"meta": {"rc": "ok"}, "data": [
        {"mac": "aa:00:00:00:00:01", "is_wired": true}, {"hostname": "no mac"}, {"mac": 7}, "text", null,
        {"mac": "AA:00:00:00:00:02", "signal": -50}]})");
    ASSERT_TRUE(data);
    ASSERT_EQ(uniFiStationRows(*data).size(), 1);
    EXPECT_EQ(uniFiStationRows(*data)[0].mac, u"AA:00:00:00:00:02"_s);
    EXPECT_TRUE(uniFiObjectForMAC(*data, u"aa:00:00:00:00:02"_s));
    EXPECT_FALSE(uniFiObjectForMAC(*data, QString()));

    EXPECT_FALSE(uniFiData("<html><body>502 Bad Gateway</body></html>"));
    EXPECT_FALSE(uniFiData(R"({"data": {"mac": "aa:00:00:00:00:01"}})"));
    EXPECT_EQ(uniFiData(R"({"data": []})"), QJsonArray());
}

TEST(UniFiStationRow, DumpListsEveryFieldSortedByKey) {
    const QJsonObject object =
        parseRouterJson(R"({"signal": -63, "mac": "aa:00:00:00:00:01", "is_wired": false,
                                                   "ip": null, "bytes-r": 27.5, "x": [1]})")
            ->object();
    EXPECT_EQ(
        uniFiStationDump(object, u"AA:00:00:00:00:01"_s),
        u"[DIAG] UniFi /stat/sta fields for AA:00:00:00:00:01:\n"
        "  bytes-r = 27.5\n  ip = nil\n  is_wired = false\n  mac = aa:00:00:00:00:01\n  signal = -63\n  x = [1]"_s);
}

TEST(UniFiLogin, ClassifiesTheAnswer) {
    using enum UniFiLoginVerdict;
    const auto expect = [](std::optional<int> status, const QList<QPair<QByteArray, QByteArray>>& headers,
                           const QByteArray& body, UniFiLoginVerdict verdict, const QString& cookie = {},
                           const QString& csrfToken = {}) {
        const UniFiLoginOutcome outcome = uniFiLoginOutcome(status, headers, body);
        EXPECT_EQ(std::tuple(outcome.verdict, outcome.cookie, outcome.csrfToken),
                  std::tuple(verdict, cookie, csrfToken))
            << body.constData();
    };
    // The adapter's test logs in to a console and a classic controller, and meets
    // MFA; here the session cookie is picked from among others and the updated
    // CSRF token wins.
    expect(200,
           {{"Set-Cookie", "csrf_token=q; Path=/\nunifises=xyz; Path=/"},
            {"X-CSRF-Token", "q"},
            {"x-updated-csrf-token", "fresh"}},
           "{}", accepted, u"unifises=xyz"_s, u"fresh"_s);
    expect(200, {}, R"({"token": "t0k"})", accepted, u"TOKEN=t0k"_s);
    expect(200, {{"Set-Cookie", "TOKEN=; Max-Age=0"}}, "{}", inconclusive);
    expect(401, {}, R"({"code": "AUTHENTICATION_FAILED_INVALID_CREDENTIALS"})", rejected);
    expect(499, {}, QByteArray(), ssoAccount);
    expect(400, {}, R"({"meta": {"rc": "error", "msg": "api.err.Ubic2faTokenRequired"}})", ssoAccount);
    // What the settings window shows.
    EXPECT_EQ(uniFiSSOAccountMessage(),
              u"SSO account detected \u2014 Veltrano requires a local admin account. "
              "Create one at unifi.ui.com \u2192 Site Manager \u2192 People."_s);
}

const QString targetMAC = u"0a:1b:2c:3d:4e:5f"_s;

TEST(HostapdStation, ReadsTheTargetsEntry) {
    const auto read = [](const char* output) { return hostapdStation(QString::fromUtf8(output), targetMAC); };
    EXPECT_EQ(
        read("0a:1b:2c:3d:4e:5f\nflags=[AUTH][ASSOC]\nsignal=-58\ntx_bytes=5000000000\nrx_bytes=2000\n"),
        (HostapdStation{-58, 5000000000ULL, 2000, 0.0, {}, {}}));
    // An HT index counts eight per stream.
    EXPECT_EQ(read("0A:1B:2C:3D:4E:5F\r\nrx_bytes=7\r\ntx_rate_info=12010 mcs 9 shortGI\r\nsignal=-61\r\n"),
              (HostapdStation{-61, 0, 7, 1201.0, ClientLinkDetail(9, 2, {}, true, u"n"_s), {}}));
    EXPECT_EQ(read("signal=-61 [-63, -64]\ntx_bytes=-5\ntx_rate_info=fast"),
              (HostapdStation{-61, 0, 0, 0.0, {}, {}}));
    // `all_sta` output: only the target's own block counts.
    EXPECT_EQ(
        read("aa:aa:aa:aa:aa:aa\nsignal=-40\n0a:1b:2c:3d:4e:5f\nsignal=-72\naa:aa:aa:aa:aa:ab\nsignal=-30"),
        (HostapdStation{-72, 0, 0, 0.0, {}, {}}));
    for (const char* output : {"aa:aa:aa:aa:aa:aa\nsignal=-40", "FAIL", "signal=\ntx_bytes=1", "signal=0"})
        EXPECT_EQ(read(output), std::nullopt) << output;
}

// A Wi-Fi 7 station is listed once per link: the idle link's "nothing
// measured" must neither be read as a weak signal nor hide the active link.
TEST(HostapdStation, ReadsTheActiveLinkOfAMultiLinkStationAndNeverAnIdleLinksNoReading) {
    const auto read = [](const char* output) { return hostapdStation(QString::fromUtf8(output), targetMAC); };
    const char* idleLink = "0a:1b:2c:3d:4e:60\nmld_addr=0a:1b:2c:3d:4e:5f\nsignal=-95\ntx_rate_info=0\n"
                           "inactive_msec=90000\n";
    const char* activeLink = "0a:1b:2c:3d:4e:61\nmld_addr=0a:1b:2c:3d:4e:5f\nsignal=-61\ntx_bytes=9\n"
                             "tx_rate_info=28824 ehtmcs 13 ehtnss 2\ninactive_msec=20\n";
    EXPECT_EQ(read(idleLink), std::nullopt);
    EXPECT_EQ(read((QByteArray(idleLink) + activeLink + "aa:aa:aa:aa:aa:aa\nsignal=-30\n").constData()),
              (HostapdStation{-61, 9, 0, 2882.4, ClientLinkDetail(13, 2, {}, false, u"be"_s), {}}));
    // hostapd's own listing: the station's block under its address, naming its links.
    EXPECT_EQ(read("0a:1b:2c:3d:4e:61\nsignal=-70\ninactive_msec=400\n"
                   "0a:1b:2c:3d:4e:62\npeer_addr[0]=0a:1b:2c:3d:4e:5f\nsignal=-64\ninactive_msec=10\n"),
              (HostapdStation{-64, 0, 0, 0.0, {}, {}}));
}

// Interface names come from the access point's own folder and status; only
// radios that carry stations, and only names a shell cannot misread.
TEST(AccessPointCommands, TakesTheRadiosAnAccessPointNames) {
    EXPECT_EQ(hostapdInterfaces(u"wifi0ap0\nwifi0ap3\nmld-wifi0\nscan0\nwifi1ap5\nwifi1ap6\nwifi2ap10\n"
                                "vwireap4\nwifi1ap5\n$(reboot)\nwifi3 ; x\n\n"_s),
              (QStringList{u"wifi0ap0"_s, u"wifi0ap3"_s, u"wifi1ap5"_s, u"wifi1ap6"_s, u"wifi2ap10"_s}));
}

// The words after the rate tell the link now (a guard interval not named is
// the long one); the flags name the newest PHY mode granted.
TEST(HostapdStation, ReadsTheLinkFromTheRateWordsAndThePhyModeFromTheFlags) {
    const auto station = [](const QString& line) {
        return *hostapdStation(u"signal=-60\n"_s + line, targetMAC);
    };
    const auto detail = [&](const QString& rate) { return station(u"tx_rate_info="_s + rate).rateDetail; };
    EXPECT_EQ(detail(u"8667 vhtmcs 9 vhtnss 2 shortGI"_s), ClientLinkDetail(9, 2, {}, true, u"ac"_s));
    EXPECT_EQ(detail(u"12010 hemcs 11 henss 2"_s), ClientLinkDetail(11, 2, {}, false, u"ax"_s));
    EXPECT_EQ(detail(u"28824 ehtnss 2 ehtmcs 13"_s), ClientLinkDetail(13, 2, {}, false, u"be"_s));
    EXPECT_EQ(detail(u"540 vhtmcs x"_s), std::nullopt);
    EXPECT_EQ(station(u"flags=[AUTH][HT][VHT][HE]"_s).flagsPhyMode, u"ax"_s);
}

// The adapter's own test completes a row from the cache; these are the edges.
// The rate is hostapd's, so the camera is classified as on the station list.
TEST(AccessPointRow, RateWordsComeBeforeTheCacheAndTheCacheBeforeTheFlags) {
    RouterClient stationRow(targetMAC, {}, {}, {}, -70, 300.0, true, 1, 2,
                            ClientLinkDetail({}, 2, 40, {}, u"ax"_s));
    const RouterClient row =
        accessPointRow(targetMAC, HostapdStation{-58, 1, 2, 1201.0, {}, {}}, cachedStationFacts(stationRow));
    EXPECT_EQ(row.linkDetail->widthMHz, 40);
    EXPECT_EQ(row.txRate, 1201.0);
    EXPECT_EQ(accessPointRow(targetMAC, HostapdStation{-60, 5, 6, 0.0, {}, {}}, CachedStationFacts{}),
              (RouterClient{targetMAC, {}, {}, u"wlan"_s, -60, 0.0, true, 5, 6, ClientLinkDetail{}}));
    // Estimated from their streams and PHY limits: 600.5 Mbit/s a stream is 80 MHz for HE, 160 before.
    const CachedStationFacts vht{{}, {}, {}, 1, std::nullopt, u"ac"_s};
    const HostapdStation he{-58, 1, 2, 1201.0, ClientLinkDetail(11, 2, {}, false, u"ax"_s), u"ac"_s};
    EXPECT_EQ(accessPointRow(targetMAC, he, vht).linkDetail, ClientLinkDetail(11, 2, 80, false, u"ax"_s));
    const HostapdStation plain{-58, 1, 2, 450.0, std::nullopt, u"ax"_s};
    EXPECT_EQ(accessPointRow(targetMAC, plain, vht).linkDetail, ClientLinkDetail({}, 1, 80, {}, u"ac"_s));
    EXPECT_EQ(accessPointRow(targetMAC, plain, {}).linkDetail, ClientLinkDetail({}, {}, 80, {}, u"ax"_s));
}

// Only an adopted device's canonical dotted quad is an address to contact; each
// refusal says why, for the log.
TEST(UniFiAccessPointLookup, FollowsTheStationToAnAdoptedAccessPointsPlainIPv4Address) {
    const QJsonArray stations = *uniFiData(R"({"data": [{"mac": "aa:00:00:00:00:01"}]})");
    EXPECT_FALSE(uniFiAccessPointMAC(stations, u"aa:00:00:00:00:01"_s)) << "no ap_mac";
    const auto addressOf = [](const QByteArray& fields) {
        return uniFiAccessPointAddress(
            *uniFiData(R"({"data": [{"mac": "80:2a:a8:00:01:02", )" + fields + "}]}"),
            u"80:2A:A8:00:01:02"_s);
    };
    const AccessPointAddress plain =
        addressOf(R"("adopted": true, "ip": "10.77.0.5", "name": "Studio-North\n", "radio_table": [{}])");
    EXPECT_EQ(std::tuple(plain.ip, plain.refusal, plain.name),
              std::tuple(std::optional(u"10.77.0.5"_s), QString(), u"Studio-North\\x0A"_s));
    EXPECT_EQ(addressOf(R"("adopted": true, "ip": "10.77.0.5", "radio_table": {"na": {}})").ip,
              u"10.77.0.5"_s);
    EXPECT_EQ(addressOf(R"("adopted": false, "ip": "10.77.0.5", "radio_table": [{}])").refusal,
              u"access point not adopted"_s);
    EXPECT_EQ(addressOf(R"("ip": "10.77.0.5", "radio_table": [{}])").refusal, u"access point not adopted"_s);
    // A modem as current controllers list it: strings for numbers, more address fields, no radios.
    EXPECT_EQ(addressOf(R"("adopted": true, "ip": "10.77.0.9", "config_network": {"ip": "10.77.0.9"},
                           "inform_ip": "10.77.0.1", "loadavg_1": "1.04", "radio_table": [])")
                  .refusal,
              u"device has no radios"_s);
    for (const char* ip : {"\"10.77.0.5\\n\"", "\"fd00::8\"", "\"010.77.0.5\"", "\"10.77.5\"",
                           "\"-oProxyCommand=reboot\"", "\"\"", "3232235784"}) {
        const AccessPointAddress refused =
            addressOf(R"("adopted": true, "radio_table": [{}], "ip": )" + QByteArray(ip));
        EXPECT_EQ(std::pair(refused.ip, refused.refusal),
                  std::pair(std::optional<QString>(), u"access point address not plain IPv4"_s))
            << ip;
    }
    EXPECT_EQ(uniFiAccessPointAddress(stations, u"80:2a:a8:00:01:02"_s).refusal,
              u"access point not among the devices"_s);
}

TEST(AccessPointSSHCredentials, ReadsTheMgmtSetting) {
    EXPECT_FALSE(accessPointSSHCredentials(R"({"data": [{"key": "mgmt", "x_ssh_password": "s3cret"}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(
        R"({"data": [{"key": "mgmt", "x_ssh_username": "root", "x_ssh_password": ""}]})"));
    EXPECT_FALSE(accessPointSSHCredentials(R"({"meta": {"rc": "error", "msg": "api.err.NoPermission"}})"));
}

TEST(AccessPointCommands, BuildsCommandsOnlyFromPlainAddresses) {
    const QString known = *hostapdStationCommand(u"0A:1B:2C:3D:4E:5F"_s, {u"wifi1ap5"_s, u"wifi2ap10"_s});
    EXPECT_TRUE(known.startsWith(u"ifaces='wifi1ap5 wifi2ap10'; "_s)) << known.toStdString();
    EXPECT_TRUE(known.contains(u" sta 0a:1b:2c:3d:4e:5f "_s)) << known.toStdString();
    EXPECT_FALSE(hostapdStationCommand(u"0a:1b:2c:3d:4e:5f"_s, {u"wifi0ap0'; reboot; '"_s}));
    EXPECT_FALSE(hostapdStationCommand(u"0a:1b:2c:3d:4e:5f; reboot"_s, {}));
    EXPECT_FALSE(hostapdStationCommand(u"0a-1b-2c-3d-4e-5f"_s, {}));
    // A newline would end the command line early on the access point.
    EXPECT_FALSE(hostapdStationCommand(u"0a:1b:2c:3d:4e:5f\n"_s, {}));
    EXPECT_EQ(stationPingCommand(u"10.0.0.7"_s), u"ping -c 1 10.0.0.7 >/dev/null 2>&1 &"_s);
    for (const QString& ip : {u"10.0.0.7;reboot"_s, u"10.0.0"_s, u"10.0.0.256"_s, u"10.0.0.7\n"_s})
        EXPECT_FALSE(stationPingCommand(ip)) << ip.toStdString();
}

} // namespace
