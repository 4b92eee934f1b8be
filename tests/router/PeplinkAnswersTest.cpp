#include "router/PeplinkAnswers.h"

#include <gtest/gtest.h>

namespace {

using namespace PeplinkAnswers;

QByteArray clientAnswer(const QByteArray& listEntries) {
    return R"({"stat": "ok", "response": {"list": [)" + listEntries + "]}}";
}

template <typename Row> std::string rowName(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

struct GrantRow {
    std::string name;
    QByteArray body;
    std::optional<QString> token;
    friend void PrintTo(const GrantRow& row, std::ostream* os) { *os << row.name; }
};

class TokenGrantTest : public testing::TestWithParam<GrantRow> {};

TEST_P(TokenGrantTest, FindsTheTokenWhereverTheFirmwarePutsIt) {
    EXPECT_EQ(tokenFromGrant(GetParam().body), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TokenGrantTest,
    testing::Values(
        GrantRow{"topLevel", R"({"access_token": "t0p", "expires_in": 3600})", QStringLiteral("t0p")},
        GrantRow{"deviceApi", R"({"stat": "ok", "response": {"accessToken": "43c6", "expiresIn": "172800"}})",
                 QStringLiteral("43c6")},
        GrantRow{"emptyTopLevelFallsThrough", R"({"access_token": "", "response": {"accessToken": "b"}})",
                 QStringLiteral("b")},
        GrantRow{"failedGrant", R"({"stat": "fail", "code": 401})", std::nullopt},
        GrantRow{"emptyToken", R"({"response": {"accessToken": ""}})", std::nullopt},
        GrantRow{"numericToken", R"({"access_token": 12345})", std::nullopt},
        GrantRow{"htmlErrorPage", "<html><body>502 Bad Gateway</body></html>", std::nullopt}),
    rowName<GrantRow>);

TEST(PeplinkClientRowsTest, MapsAWirelessStation) {
    const QList<RouterClient> rows = clientRows(clientAnswer(
        R"({"mac": "00:1E:8F:AA:BB:CC", "ip": "192.168.50.23", "name": "R5", "hostname": "eos",
            "connectionType": "wireless", "signalStrength": -61.7, "speed": 866.7, "channel": 36,
            "tx_bytes": 18446744073709551615, "rx_bytes": "12345"})"));

    const RouterClient expected(QStringLiteral("00:1E:8F:AA:BB:CC"), QStringLiteral("192.168.50.23"),
                                QStringLiteral("R5"), QStringLiteral("5G"), -61, 866.7, true,
                                18446744073709551615ULL, 12345, std::nullopt);
    EXPECT_EQ(rows, QList<RouterClient>{expected});
}

TEST(PeplinkClientRowsTest, FieldsOfTheWrongTypeFallBackToDefaults) {
    const QList<RouterClient> rows = clientRows(clientAnswer(
        R"({"mac": "aa:00:00:00:00:01", "ip": 7, "name": ["x"], "signalStrength": "-60", "speed": -300,
            "channel": "36", "tx_bytes": -5, "rx_bytes": {"v": 1}})"));

    RouterClient expected;
    expected.mac = QStringLiteral("aa:00:00:00:00:01");
    expected.iface = QStringLiteral("wlan");
    expected.isOnline = true;
    EXPECT_EQ(rows, QList<RouterClient>{expected});
}

TEST(PeplinkClientRowsTest, KeepsOnlyWiFiConnectionsAndEntriesWithAMAC) {
    const QList<RouterClient> rows = clientRows(clientAnswer(R"(
        {"mac": "AA:00:00:00:00:01", "connectionType": "wifi"},
        {"mac": "AA:00:00:00:00:02", "connectionType": "ethernet"},
        {"mac": "AA:00:00:00:00:03", "connectionType": "wireless"},
        {"mac": "AA:00:00:00:00:04", "connectionType": "WiFi"},
        {"mac": "AA:00:00:00:00:05"},
        {"mac": 42}, {"mac": ""}, "AA:00:00:00:00:06", null)"));

    QStringList macs;
    for (const RouterClient& row : rows)
        macs.append(row.mac);
    EXPECT_EQ(macs, (QStringList{QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("AA:00:00:00:00:03"),
                                 QStringLiteral("AA:00:00:00:00:05")}));
}

TEST(PeplinkClientRowsTest, UnreadableAnswersGiveNoRows) {
    for (const QByteArray& body : {QByteArray("<html><title>401 Unauthorized</title></html>"), QByteArray(),
                                   QByteArray(R"({"response": {"list": {"mac": "AA:00:00:00:00:01"}}})"),
                                   QByteArray(R"({"response": [{"mac": "AA:00:00:00:00:01"}]})"),
                                   QByteArray(R"({"list": [{"mac": "AA:00:00:00:00:01"}]})"),
                                   QByteArray(R"({"response": {"list": [)")})
        EXPECT_TRUE(clientRows(body).isEmpty()) << body.toStdString();
}

struct ChannelRow {
    std::string name;
    QByteArray channel; // JSON text; empty for no `channel` field
    QString band;
    friend void PrintTo(const ChannelRow& row, std::ostream* os) { *os << row.name; }
};

class PeplinkBandTest : public testing::TestWithParam<ChannelRow> {};

TEST_P(PeplinkBandTest, FollowsTheChannelNumber) {
    const QByteArray channel = GetParam().channel.isEmpty() ? "" : ", \"channel\": " + GetParam().channel;
    const QList<RouterClient> rows =
        clientRows(clientAnswer("{\"mac\": \"AA:00:00:00:00:01\"" + channel + "}"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().iface, GetParam().band);
}

INSTANTIATE_TEST_SUITE_P(Channels, PeplinkBandTest,
                         testing::Values(ChannelRow{"none", "", QStringLiteral("wlan")},
                                         ChannelRow{"zero", "0", QStringLiteral("wlan")},
                                         ChannelRow{"negative", "-3", QStringLiteral("wlan")},
                                         ChannelRow{"fraction", "36.5", QStringLiteral("wlan")},
                                         ChannelRow{"text", "\"36\"", QStringLiteral("wlan")},
                                         ChannelRow{"one", "1", QStringLiteral("2.4G")},
                                         ChannelRow{"eleven", "11", QStringLiteral("2.4G")},
                                         ChannelRow{"fourteen", "14", QStringLiteral("2.4G")},
                                         ChannelRow{"fifteen", "15", QStringLiteral("5G")},
                                         ChannelRow{"thirtySix", "36", QStringLiteral("5G")},
                                         ChannelRow{"oneEightyOne", "181", QStringLiteral("5G")},
                                         ChannelRow{"oneEightyTwo", "182", QStringLiteral("6G")},
                                         ChannelRow{"twoHundred", "200", QStringLiteral("6G")}),
                         rowName<ChannelRow>);

TEST(PeplinkTargetRowTest, MatchesTheMACWithoutRegardToCase) {
    const QList<RouterClient> rows = clientRows(clientAnswer(R"(
        {"mac": "aa:bb:cc:00:00:01", "name": "first"}, {"mac": "AA:BB:CC:00:00:01", "name": "second"})"));

    const std::optional<RouterClient> row = targetRow(rows, QStringLiteral("AA:BB:CC:00:00:01"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->hostname, QStringLiteral("first"));
    EXPECT_FALSE(targetRow(rows, QStringLiteral("AA:BB:CC:00:00:02")));
}

TEST(PeplinkSystemTest, NamesTheModelOrFallsBack) {
    EXPECT_EQ(modelName(R"({"response": {"model": "MAX BR1 Pro 5G"}})"), QStringLiteral("MAX BR1 Pro 5G"));
    EXPECT_EQ(
        modelName(R"({"stat": "ok", "response": {"device": {"name": "Site", "model": "Balance 20X"}}})"),
        QStringLiteral("Balance 20X"));
    EXPECT_EQ(modelName(R"({"response": {"model": 710}})"), QStringLiteral("Peplink Router"));
    EXPECT_EQ(modelName(R"({"response": {"model": ""}})"), QStringLiteral("Peplink Router"));
    EXPECT_EQ(modelName(R"({"stat": "fail", "code": 401})"), QStringLiteral("Peplink Router"));
    EXPECT_EQ(modelName("<html>Forbidden</html>"), QStringLiteral("Peplink Router"));
}

TEST(PeplinkSystemTest, HealthNeedsAnOkStatOrAResponse) {
    EXPECT_TRUE(isHealthy(R"({"stat": "ok"})"));
    EXPECT_TRUE(isHealthy(R"({"response": {}})"));
    EXPECT_FALSE(isHealthy(R"({"stat": "fail", "code": 401, "message": "Unauthorized"})"));
    EXPECT_FALSE(isHealthy(R"([{"stat": "ok"}])"));
    EXPECT_FALSE(isHealthy("<html>502</html>"));
}

} // namespace
