#include "router/UniFiStationRow.h"

#include "router/RowNormalisation.h"
#include "router/UniFiAnswer.h"
#include "router/UniFiLogin.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QJsonObject station(const QByteArray& fields) {
    const std::optional<QJsonDocument> document =
        parseRouterJson("{\"mac\": \"0a:1b:2c:3d:4e:5f\", " + fields + "}");
    return document ? document->object() : QJsonObject();
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
    // `rssi` counts above a noise floor of -96 dBm, unless it is negative.
    expect(R"("rssi": 0)", -96);
    expect(R"("rssi": -71)", -71);
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
    ASSERT_TRUE(row);
    EXPECT_EQ(row->hostname, u"Canon"_s);
    EXPECT_EQ(row->ip, u"10.0.0.7"_s);
    EXPECT_DOUBLE_EQ(row->txRate, 270.0);
    EXPECT_EQ(row->txBytes, 8823820U);
    EXPECT_EQ(row->rxBytes, 18446744073709551615ULL);
    EXPECT_TRUE(row->isOnline);
    EXPECT_EQ(row->linkDetail, (ClientLinkDetail{std::nullopt, 2, 40, std::nullopt, u"ac"_s}));

    const std::optional<RouterClient> odd = uniFiStationRow(
        station(R"("tx_rate": "fast", "tx_bytes": -1, "nss": 0, "channel_width": "wide", "radio_proto": 3)"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->txRate, 0.0);
    EXPECT_EQ(odd->txBytes, 0U);
    EXPECT_EQ(odd->linkDetail, ClientLinkDetail{});
}

TEST(UniFiStationRow, ListKeepsOnlyWirelessStationsWithAMACAndNeedsADataArray) {
    const std::optional<QJsonArray> data = uniFiData(R"({"meta": {"rc": "ok"}, "data": [
        {"mac": "aa:00:00:00:00:01", "is_wired": true}, {"hostname": "no mac"}, {"mac": 7}, "text", null,
        {"mac": "AA:00:00:00:00:02", "signal": -50}]})");
    ASSERT_TRUE(data);
    const QList<RouterClient> rows = uniFiStationRows(*data);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().mac, u"AA:00:00:00:00:02"_s);
    EXPECT_TRUE(uniFiObjectForMAC(*data, u"aa:00:00:00:00:02"_s));
    EXPECT_FALSE(uniFiObjectForMAC(*data, QString()));

    EXPECT_FALSE(uniFiData("<html><body>502 Bad Gateway</body></html>"));
    EXPECT_FALSE(uniFiData(R"({"meta": {"rc": "error", "msg": "api.err.LoginRequired"}})"));
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
        EXPECT_EQ(outcome.verdict, verdict) << body.constData();
        EXPECT_EQ(std::pair(outcome.cookie, outcome.csrfToken), std::pair(cookie, csrfToken))
            << body.constData();
    };
    // The updated CSRF token wins over the plain one.
    expect(200,
           {{"set-cookie", "TOKEN=abc.def; path=/; samesite=none; secure; httponly"},
            {"X-Csrf-Token", "old"},
            {"x-updated-csrf-token", "fresh"}},
           "{}", accepted, u"TOKEN=abc.def"_s, u"fresh"_s);
    expect(200, {{"Set-Cookie", "csrf_token=q; Path=/\nunifises=xyz; Path=/; Secure"}, {"X-CSRF-Token", "q"}},
           R"({"meta": {"rc": "ok"}, "data": []})", accepted, u"unifises=xyz"_s, u"q"_s);
    expect(200, {}, R"({"token": "t0k"})", accepted, u"TOKEN=t0k"_s);
    expect(200, {{"Set-Cookie", "TOKEN=; Max-Age=0"}}, "{}", rejected);
    expect(401, {}, R"({"code": "AUTHENTICATION_FAILED_INVALID_CREDENTIALS"})", rejected);
    expect(401, {}, R"({"code": "MFA_AUTH_REQUIRED", "message": "2FA"})", ssoAccount);
    expect(499, {}, QByteArray(), ssoAccount);
    expect(400, {}, R"({"meta": {"rc": "error", "msg": "api.err.Ubic2faTokenRequired"}})", ssoAccount);
    // What the settings window shows.
    EXPECT_EQ(uniFiSSOAccountMessage(),
              u"SSO account detected \u2014 Veltrano requires a local admin account. "
              "Create one at unifi.ui.com \u2192 Site Manager \u2192 People."_s);
}

} // namespace
