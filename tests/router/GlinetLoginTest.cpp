#include "router/GlinetLogin.h"

#include <gtest/gtest.h>

namespace {

struct CryptRow {
    std::string name;
    int alg;
    QString salt;
    QString password;
    std::optional<QString> crypt;

    friend void PrintTo(const CryptRow& row, std::ostream* os) { *os << row.name; }
};

class GlinetCryptStringTest : public testing::TestWithParam<CryptRow> {};

TEST_P(GlinetCryptStringTest, MatchesPublishedKnownAnswers) {
    EXPECT_EQ(glinetCryptString(GetParam().password, GetParam().salt, GetParam().alg), GetParam().crypt);
}

// libxcrypt's known-answer table and Drepper's published SHA-crypt examples
// (whose rounds=5000 is the default, so its digest holds without the field).
INSTANTIATE_TEST_SUITE_P(
    Vectors, GlinetCryptStringTest,
    testing::Values(CryptRow{"md5EmptyPassword", 1, QStringLiteral("CCCCCCCC"), QString(),
                             QStringLiteral("$1$CCCCCCCC$3VEFvYjOvLeslZkqpLoqn.")},
                    CryptRow{"md5", 1, QStringLiteral("abcdefgh"), QStringLiteral("Hello world!"),
                             QStringLiteral("$1$abcdefgh$fzmjzFdo5nMtBG8gtud5e0")},
                    CryptRow{"sha256", 5, QStringLiteral("saltstring"), QStringLiteral("Hello world!"),
                             QStringLiteral("$5$saltstring$5B8vYYiY.CVt1RlTTf8KbXBH3hsxY/GNooZaBBGWEc5")},
                    CryptRow{
                        "sha256SaltCutAt16", 5, QStringLiteral("toolongsaltstring"),
                        QStringLiteral("This is just a test"),
                        QStringLiteral("$5$toolongsaltstrin$Un/5jzAHMgOGZ5.mWJpuVolil07guHPvOW8mGRcvxa5")},
                    CryptRow{"otherAlgIsSha256", 7, QStringLiteral("short"), QStringLiteral("abc"),
                             QStringLiteral("$5$short$PKcRAEJSPWRgSvYSDOgjYdNBO/NQesdEIekzR.MC.B6")},
                    CryptRow{"sha512", 6, QStringLiteral("saltstring"), QStringLiteral("Hello world!"),
                             QStringLiteral("$6$saltstring$svn8UoSVapNtMuq1ukKS4tPQd8iKwSMHWjl/"
                                            "O817G3uBnIFNjnQJuesI68u4OTLiBFdcbYEdFCoEOfaS35inz1")},
                    CryptRow{"saltSmugglingRounds", 5, QStringLiteral("rounds=1000$x"), QStringLiteral("a"),
                             std::nullopt},
                    CryptRow{"passwordWithNul", 1, QStringLiteral("abcdefgh"),
                             QStringLiteral("ab") + QChar(0) + QStringLiteral("c"), std::nullopt}),
    [](const testing::TestParamInfo<CryptRow>& info) { return info.param.name; });

struct ChallengeRow {
    std::string name;
    QByteArray body;
    std::optional<GlinetOuterHash> outerHash;

    friend void PrintTo(const ChallengeRow& row, std::ostream* os) { *os << row.name; }
};

class GlinetChallengeTest : public testing::TestWithParam<ChallengeRow> {};

TEST_P(GlinetChallengeTest, PicksTheOuterHashOrRefuses) {
    const auto challenge = readGlinetChallenge(GetParam().body);
    ASSERT_EQ(challenge.has_value(), GetParam().outerHash.has_value());
    if (challenge) {
        EXPECT_EQ(challenge->outerHash, GetParam().outerHash);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GlinetChallengeTest,
    testing::Values(
        ChallengeRow{"olderFirmwareIsMd5", R"({"id":1,"result":{"salt":"s","alg":1,"nonce":"n"}})",
                     GlinetOuterHash::md5},
        ChallengeRow{"sha256", R"({"result":{"salt":"s","alg":5,"nonce":"n","hash-method":"sha256"}})",
                     GlinetOuterHash::sha256},
        ChallengeRow{"sha512", R"({"result":{"salt":"s","alg":6,"nonce":"n","hash-method":"sha512"}})",
                     GlinetOuterHash::sha512},
        ChallengeRow{"unknownMethod", R"({"result":{"salt":"s","alg":5,"nonce":"n","hash-method":"sha1"}})",
                     std::nullopt},
        ChallengeRow{"noNonce", R"({"result":{"salt":"s","alg":1}})", std::nullopt},
        ChallengeRow{"algAsText", R"({"result":{"salt":"s","alg":"1","nonce":"n"}})", std::nullopt},
        ChallengeRow{"htmlPage", "<html><body>502 Bad Gateway</body></html>", std::nullopt}),
    [](const testing::TestParamInfo<ChallengeRow>& info) { return info.param.name; });

TEST(GlinetLoginHash, HashesRootCryptAndNonceWithTheNamedDigest) {
    GlinetChallenge challenge{QStringLiteral("saltstring"), QStringLiteral("0123456789abcdefNonce"), 5,
                              GlinetOuterHash::md5};
    const QString password = QStringLiteral("Hello world!");
    EXPECT_EQ(glinetLoginHash(challenge, password), QStringLiteral("2dee8fc4b96b5c5ee0d88b1069e610bf"));
    challenge.outerHash = GlinetOuterHash::sha256;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              QStringLiteral("a54389cb781a4cd78faf44de0a69ee760572025f9eebb0e6b02fff7cf71298db"));
    challenge.outerHash = GlinetOuterHash::sha512;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              QStringLiteral("55d12eb87652baec09f891884f4cbe542ec86bb0a2ae2b615ff0a624cbe2ad74"
                             "8948a7ad3a603bb38a5cca0ec34a783e70db0ff1a3a7c3d3fcc1f44eda3bd687"));
    challenge.salt = QStringLiteral("bad$salt");
    EXPECT_EQ(glinetLoginHash(challenge, password), std::nullopt);
}

TEST(GlinetLoginAnswer, GivesTheSessionOrTheRejectionDetail) {
    const auto accepted = readGlinetLoginAnswer(R"({"id":2,"result":{"username":"root","sid":"Kq6u"}})");
    EXPECT_EQ(accepted.sid, QStringLiteral("Kq6u"));
    EXPECT_EQ(readGlinetLoginAnswer(R"({"result":{"code":-1}})").rejectionDetail, QStringLiteral("code:-1"));
    const auto denied = readGlinetLoginAnswer(R"({"error":{"message":"Access denied","code":-32000}})");
    EXPECT_EQ(denied.sid, std::nullopt);
    EXPECT_EQ(denied.rejectionDetail, QStringLiteral("code:-32000"));
    EXPECT_EQ(readGlinetLoginAnswer(R"({"result":{"sid":""}})").rejectionDetail, QStringLiteral("no-sid"));
    EXPECT_EQ(readGlinetLoginAnswer("<html>").rejectionDetail, QStringLiteral("no-sid"));
}

} // namespace
