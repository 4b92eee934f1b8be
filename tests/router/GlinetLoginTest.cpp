#include "router/GlinetLogin.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// libxcrypt's known-answer table and Drepper's published SHA-crypt examples
// (whose rounds=5000 is the default, so its digest holds without the field).
TEST(GlinetLogin, CryptStringMatchesPublishedKnownAnswers) {
    const struct {
        int alg;
        QString salt;
        QString password;
        std::optional<QString> crypt;
    } rows[] = {
        {1, u"abcdefgh"_s, u"Hello world!"_s, u"$1$abcdefgh$fzmjzFdo5nMtBG8gtud5e0"_s},
        // The salt is cut at 16 characters.
        {5, u"toolongsaltstring"_s, u"This is just a test"_s,
         u"$5$toolongsaltstrin$Un/5jzAHMgOGZ5.mWJpuVolil07guHPvOW8mGRcvxa5"_s},
        // Any other alg is SHA-256.
        {7, u"short"_s, u"abc"_s, u"$5$short$PKcRAEJSPWRgSvYSDOgjYdNBO/NQesdEIekzR.MC.B6"_s},
        {6, u"saltstring"_s, u"Hello world!"_s,
         u"$6$saltstring$svn8UoSVapNtMuq1ukKS4tPQd8iKwSMHWjl/O817G3uBnIFNjnQJuesI68u4OTLiBFdcbYEdFCoEOfaS35inz1"_s},
        // A salt smuggling in its own rounds, and a password crypt() would cut short.
        {5, u"rounds=1000$x"_s, u"a"_s, std::nullopt},
        {1, u"abcdefgh"_s, u"ab"_s + QChar(0) + u"c"_s, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(glinetCryptString(row.password, row.salt, row.alg), row.crypt) << row.salt.toStdString();
}

TEST(GlinetLogin, ChallengePicksTheOuterHashOrIsRefused) {
    const struct {
        QByteArray body;
        std::optional<GlinetOuterHash> outerHash;
    } rows[] = {
        // Older firmware names no method: MD5.
        {R"({"id":1,"result":{"salt":"s","alg":1,"nonce":"n"}})", GlinetOuterHash::md5},
        {R"({"result":{"salt":"s","alg":6,"nonce":"n","hash-method":"sha512"}})", GlinetOuterHash::sha512},
        {R"({"result":{"salt":"s","alg":5,"nonce":"n","hash-method":"sha1"}})", std::nullopt},
        {R"({"result":{"salt":"s","alg":1}})", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto challenge = readGlinetChallenge(row.body);
        EXPECT_EQ(challenge ? std::optional(challenge->outerHash) : std::nullopt, row.outerHash)
            << row.body.constData();
    }
}

TEST(GlinetLogin, HashesRootCryptAndNonceWithTheNamedDigest) {
    GlinetChallenge challenge{u"saltstring"_s, u"0123456789abcdefNonce"_s, 5, GlinetOuterHash::md5};
    const QString password = u"Hello world!"_s;
    EXPECT_EQ(glinetLoginHash(challenge, password), u"2dee8fc4b96b5c5ee0d88b1069e610bf"_s);
    challenge.outerHash = GlinetOuterHash::sha256;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              u"a54389cb781a4cd78faf44de0a69ee760572025f9eebb0e6b02fff7cf71298db"_s);
    challenge.outerHash = GlinetOuterHash::sha512;
    EXPECT_EQ(glinetLoginHash(challenge, password),
              u"55d12eb87652baec09f891884f4cbe542ec86bb0a2ae2b615ff0a624cbe2ad74"
              "8948a7ad3a603bb38a5cca0ec34a783e70db0ff1a3a7c3d3fcc1f44eda3bd687"_s);
    challenge.salt = u"bad$salt"_s;
    EXPECT_EQ(glinetLoginHash(challenge, password), std::nullopt);
}

TEST(GlinetLogin, AnswerGivesTheSessionOrTheRejectionDetail) {
    EXPECT_EQ(readGlinetLoginAnswer(R"({"id":2,"result":{"username":"root","sid":"Kq6u"}})").sid, u"Kq6u"_s);
    const auto denied = readGlinetLoginAnswer(R"({"error":{"message":"Access denied","code":-32000}})");
    EXPECT_EQ(denied.sid, std::nullopt);
    EXPECT_EQ(denied.rejectionDetail, u"code:-32000"_s);
    EXPECT_EQ(readGlinetLoginAnswer(R"({"result":{"sid":""}})").rejectionDetail, u"no-sid"_s);
}

} // namespace
