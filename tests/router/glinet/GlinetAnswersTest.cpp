#include "router/RowNormalisation.h"
#include "router/glinet/GlinetClientList.h"
#include "router/glinet/GlinetLogin.h"
#include "router/glinet/GlinetModelName.h"
#include "router/glinet/GlinetStation.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::optional<QJsonObject> station(const QByteArray& fields) {
    return findAssociatedStation(R"({"results":[{"mac":"AA:BB","signal":-61,)" + fields + "}]}", u"aa:bb"_s);
}

// One row each side of how the era, the guard interval and the width are told;
// the adapter's test reads an 802.11ac station whole.
TEST(GlinetStation, ReadsRateAndLinkDetail) {
    const auto expect = [](const QByteArray& tx, double rateMbps, const ClientLinkDetail& detail) {
        const GlinetRadio radio = radioFromStation(station(R"("tx":)" + tx).value_or(QJsonObject()));
        EXPECT_EQ(radio.rssi, -61) << tx.constData();
        EXPECT_DOUBLE_EQ(radio.txRate, rateMbps) << tx.constData();
        EXPECT_EQ(radio.linkDetail, detail) << tx.constData();
    };
    expect(R"({"rate":54000,"ht":false,"vht":false,"mhz":20})", 54.0, {{}, {}, 20, {}, {}});
    expect(R"({"rate":2882400,"eht":true,"mcs":13,"nss":2,"mhz":320})", 2882.4, {13, 2, 320, {}, u"be"_s});
    expect(R"({"rate":1201000,"he":true,"mcs":11,"nss":2,"he_gi":0})", 1201.0, {11, 2, 80, true, u"ax"_s});
    expect(R"({"rate":573500,"he":true,"nss":1,"mhz":40,"he_gi":2})", 573.5, {{}, 1, 40, false, u"ax"_s});
    expect(R"({"rate":300000,"40mhz":true,"short_gi":true})", 300.0, {{}, {}, 40, true, u"n"_s});
    expect(R"({"rate":54000,"40mhz":false,"short_gi":false})", 54.0, {{}, {}, 20, false, {}});
    expect(R"({"rate":"fast","mcs":"9","he":"yes","mhz":-5})", 0.0, {});

    EXPECT_EQ(findAssociatedStation("<html>500</html>", u"aa:bb"_s), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"mac":"11:22"},3]})", u"aa:bb"_s), std::nullopt);
    EXPECT_EQ(findAssociatedStation(R"({"results":[{"signal":-40}]})", QString()), std::nullopt);
}

// The adapter's test merges a station into its list row; these are the edges:
// counters of nought keep the list's, commands refuse one row per guard.
TEST(GlinetStation, MergesOnlyCountersTheRadioHasAndBuildsOnlySafeCommands) {
    const RouterClient row(u"aa:bb"_s, {}, {}, {}, -99, 12.0, true, 500, 700, std::nullopt);
    EXPECT_EQ(
        withRadio(row, radioFromStation(*station(R"("tx":{"rate":6000,"bytes":0})")), false),
        RouterClient(u"aa:bb"_s, {}, {}, {}, -61, 6.0, true, 500, 700, ClientLinkDetail({}, {}, 20, {}, {})));
    // No record, no reading; the row tells a silent shell from a missing station.
    for (const bool shellSilent : {false, true})
        EXPECT_EQ(withRadio(row, std::nullopt, shellSilent),
                  RouterClient(u"aa:bb"_s, {}, {}, {}, -99, 0.0, true, 500, 700, std::nullopt, shellSilent));
    for (const QString& ip : {u"192.168.8"_s, u"1.2.3.4;reboot"_s, u"1..2.3"_s})
        EXPECT_EQ(glinetPingCommand(ip), std::nullopt) << ip.toStdString();
    EXPECT_EQ(glinetAssoclistCommand(u"wlan0'; reboot; '"_s), std::nullopt);
    EXPECT_EQ(glinetAssoclistCommand(QString()), std::nullopt);
}

TEST(GlinetStation, ReadsTheDeviceListAndTheBoard) {
    EXPECT_EQ(readIwinfoDevices(R"({"devices":["wlan0",3,"wlan1"]})"), (QStringList{u"wlan0"_s, u"wlan1"_s}));
    EXPECT_EQ(readGlinetBoardModel(R"({"model":42})"), std::nullopt);
    EXPECT_EQ(readGlinetBoardModel(R"({"model":"\u2066\u2069"})"), std::nullopt);
    EXPECT_EQ(readGlinetBoardModel(R"({"model":"GL-MT\u200b6000\n"})"), u"GL-MT6000\\x0A"_s);
    // The Mudi's board names no GL- code.
    EXPECT_EQ(glinetModelName(u"GL.iNet E5800 board"_s), u"Mudi 7 (GL-E5800)"_s);
    EXPECT_EQ(glinetModelName(u"GL.iNet GL-X750"_s), u"GL.iNet GL-X750"_s);
}

QStringList keptMACs(const QByteArray& clients) {
    QStringList macs;
    for (const RouterClient& client : glinetClientRows(parseRouterJson(clients)->array()))
        macs.append(client.mac);
    return macs;
}

// tx and rx are bytes per second, not a rate; the name and rate fall back field by field.
TEST(GlinetClientList, KeepsTheRowsTheListCallsOnlineAndMapsThem) {
    EXPECT_EQ(
        keptMACs(R"([{"mac":"a","online":1},{"mac":"b","online":0,"iface":"5G"},{"mac":"c","alive":false},
                           {"mac":"d"},{"online":true},{"mac":7,"online":true},"junk"])"),
        (QStringList{u"a"_s, u"d"_s}));
    EXPECT_EQ(keptMACs(R"([{"mac":"a","online":false,"iface":"5G"},{"mac":"b","online":false,"iface":""}])"),
              QStringList{u"a"_s})
        << "with no row online, those naming an interface";
    // The adapter's test maps a whole row; this one takes the fallback fields.
    EXPECT_EQ(glinetClientRows(
                  parseRouterJson(R"([{"mac":"m","hostname":"cam","txrate":433.3,"tx_bytes":8}])")->array()),
              (QList<RouterClient>{{u"m"_s, {}, u"cam"_s, {}, -99, 433.3, true, 8, 0, std::nullopt}}));
    EXPECT_EQ(glinetClientRows(parseRouterJson(R"([{"mac":"m","name":"cam\u001b]0;x\u0007"}])")->array())
                  .value(0)
                  .hostname,
              u"cam\\x1B]0;x\\x07"_s);
    EXPECT_TRUE(
        readGlinetClientList(R"({"error":{"message":"Access denied","code":-32000}})").sessionExpired);
    for (const char* junk :
         {"<html>404</html>", R"({"result":{"clients":{"mac":"m"}}})", R"({"error":{"code":-32601}})"})
        EXPECT_EQ(readGlinetClientList(junk).sessionExpired, false) << junk;
    const QJsonArray clients = parseRouterJson(R"([{"mac":"aa:bb","name":null,"x":[1]}])")->array();
    EXPECT_TRUE(glinetClientEntry(clients, u"AA:BB"_s));
    EXPECT_EQ(glinetClientEntry(clients, QString()), std::nullopt);
}

// Drepper's published SHA-crypt examples (whose rounds=5000 is the default, so
// its digest holds without the field); the adapter's test logs in with MD5.
TEST(GlinetLogin, CryptStringMatchesPublishedKnownAnswers) {
    // The salt is cut at 16 characters; any alg but 1 and 6 is SHA-256.
    EXPECT_EQ(glinetCryptString(u"This is just a test"_s, u"toolongsaltstring"_s, 7),
              u"$5$toolongsaltstrin$Un/5jzAHMgOGZ5.mWJpuVolil07guHPvOW8mGRcvxa5"_s);
    EXPECT_EQ(
        glinetCryptString(u"Hello world!"_s, u"saltstring"_s, 6),
        u"$6$saltstring$svn8UoSVapNtMuq1ukKS4tPQd8iKwSMHWjl/O817G3uBnIFNjnQJuesI68u4OTLiBFdcbYEdFCoEOfaS35inz1"_s);
    // A salt smuggling in its own rounds, and a password crypt() would cut short.
    EXPECT_EQ(glinetCryptString(u"a"_s, u"rounds=1000$x"_s, 5), std::nullopt);
    EXPECT_EQ(glinetCryptString(u"ab"_s + QChar(0) + u"c"_s, u"abcdefgh"_s, 1), std::nullopt);
}

TEST(GlinetLogin, ChallengePicksTheOuterHashAndTheAnswerGivesTheSession) {
    const auto outerHash = [](const QByteArray& result) {
        const auto challenge = readGlinetChallenge(R"({"result":)" + result + "}");
        return challenge ? std::optional(challenge->outerHash) : std::nullopt;
    };
    // Older firmware names no method: MD5.
    EXPECT_EQ(outerHash(R"({"salt":"s","alg":1,"nonce":"n"})"), GlinetOuterHash::md5);
    EXPECT_EQ(outerHash(R"({"salt":"s","alg":6,"nonce":"n","hash-method":"sha512"})"),
              GlinetOuterHash::sha512);
    EXPECT_EQ(outerHash(R"({"salt":"s","alg":5,"nonce":"n","hash-method":"sha1"})"), std::nullopt);
    EXPECT_EQ(outerHash(R"({"salt":"s","alg":1})"), std::nullopt);

    EXPECT_EQ(readGlinetLoginAnswer(R"({"id":2,"result":{"username":"root","sid":"Kq6u"}})").sid, u"Kq6u"_s);
    EXPECT_EQ(readGlinetLoginAnswer(R"({"error":{"message":"Access denied","code":-32000}})").rejectionDetail,
              u"code:-32000"_s);
    EXPECT_EQ(readGlinetLoginAnswer(R"({"result":{"sid":""}})").rejectionDetail, u"no-sid"_s);
}

TEST(GlinetLogin, HashesRootCryptAndNonceWithTheNamedDigest) {
    GlinetChallenge challenge{u"saltstring"_s, u"0123456789abcdefNonce"_s, 5, GlinetOuterHash::sha256};
    const QString password = u"Hello world!"_s;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              u"a54389cb781a4cd78faf44de0a69ee760572025f9eebb0e6b02fff7cf71298db"_s);
    challenge.outerHash = GlinetOuterHash::sha512;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              u"55d12eb87652baec09f891884f4cbe542ec86bb0a2ae2b615ff0a624cbe2ad74"
              "8948a7ad3a603bb38a5cca0ec34a783e70db0ff1a3a7c3d3fcc1f44eda3bd687"_s);
    challenge.salt = u"bad$salt"_s;
    EXPECT_EQ(glinetLoginHash(challenge, password), std::nullopt);
}

} // namespace
