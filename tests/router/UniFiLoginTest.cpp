#include "router/UniFiLogin.h"

#include <gtest/gtest.h>

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct LoginRow {
    std::string name;
    std::optional<int> status;
    Headers headers;
    QByteArray body;
    UniFiLoginVerdict verdict;
    QString cookie = {};
    QString csrfToken = {};

    friend void PrintTo(const LoginRow& row, std::ostream* os) { *os << row.name; }
};

class UniFiLoginTest : public testing::TestWithParam<LoginRow> {};

TEST_P(UniFiLoginTest, ClassifiesTheAnswer) {
    const LoginRow& row = GetParam();
    const UniFiLoginOutcome outcome = uniFiLoginOutcome(row.status, row.headers, row.body);
    EXPECT_EQ(outcome.verdict, row.verdict);
    EXPECT_EQ(outcome.cookie, row.cookie);
    EXPECT_EQ(outcome.csrfToken, row.csrfToken);
}

using enum UniFiLoginVerdict;

const Headers none;
const Headers consoleHeaders{{"set-cookie", "TOKEN=abc.def; path=/; samesite=none; secure; httponly"},
                             {"X-Csrf-Token", "old"},
                             {"x-updated-csrf-token", "fresh"}};
const Headers classicHeaders{{"Set-Cookie", "csrf_token=q; Path=/\nunifises=xyz; Path=/; Secure"},
                             {"X-CSRF-Token", "q"}};
const Headers clearedCookie{{"Set-Cookie", "TOKEN=; Max-Age=0"}};

INSTANTIATE_TEST_SUITE_P(
    Answers, UniFiLoginTest,
    testing::Values(
        LoginRow{"consoleTokenCookie", 200, consoleHeaders, "{}", accepted, QStringLiteral("TOKEN=abc.def"),
                 QStringLiteral("fresh")},
        LoginRow{"classicCookieAmongOthers", 200, classicHeaders, R"({"meta": {"rc": "ok"}, "data": []})",
                 accepted, QStringLiteral("unifises=xyz"), QStringLiteral("q")},
        LoginRow{"tokenInBody", 200, none, R"({"token": "t0k"})", accepted, QStringLiteral("TOKEN=t0k")},
        LoginRow{"clearedCookieAndNoToken", 200, clearedCookie, "{}", rejected},
        LoginRow{"okButHtml", 200, none, "<html>login</html>", rejected},
        LoginRow{"wrongPassword", 401, none, R"({"code": "AUTHENTICATION_FAILED_INVALID_CREDENTIALS"})",
                 rejected},
        LoginRow{"classicWrongPassword", 400, none, R"({"meta": {"rc": "error", "msg": "api.err.Invalid"}})",
                 rejected},
        LoginRow{"noHttpAnswer", std::nullopt, none, QByteArray(), rejected},
        LoginRow{"notFoundPage", 404, none, "<html>Not Found</html>", rejected},
        LoginRow{"mfaCode", 401, none, R"({"code": "MFA_AUTH_REQUIRED", "message": "2FA"})", ssoAccount},
        LoginRow{"mfaStatus499", 499, none, R"({"code": "MFA_AUTH_REQUIRED", "data": {"mfaCookie": "x"}})",
                 ssoAccount},
        LoginRow{"status499WithoutBody", 499, none, QByteArray(), ssoAccount},
        LoginRow{"classicTwoFactor", 400, none,
                 R"({"meta": {"rc": "error", "msg": "api.err.Ubic2faTokenRequired"}})", ssoAccount}),
    [](const testing::TestParamInfo<LoginRow>& info) { return info.param.name; });

TEST(UniFiLoginMessagesTest, AreTheSettingsWindowTexts) {
    EXPECT_EQ(uniFiSSOAccountMessage(),
              QString::fromUtf8(
                  "SSO account detected \u2014 Veltrano requires a local admin account. Create one at "
                  "unifi.ui.com \u2192 Site Manager \u2192 People."));
    EXPECT_EQ(uniFiAuthenticationFailedMessage(),
              QString::fromUtf8("UniFi authentication failed \u2014 check username and password"));
}

} // namespace
