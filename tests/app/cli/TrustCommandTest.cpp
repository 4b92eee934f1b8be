#include "app/cli/TrustCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"
#include "router/identity/RouterIdentityStore.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// What there is to list and forget is the store's business; here what the verb prints.
TEST(TrustCommand, ListsEachIdentityOnALineAndForgetsOneAddress) {
    TestEnvironment env;
    SettingsStore settings(env.path(u"Veltrano/settings.json"_s));
    const auto trust = [&settings](const QStringList& args) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runTrustCommand(args, settings, out, err); });
    };
    EXPECT_EQ(trust({u"list"_s}).out, u"No router identities are recorded.\n"_s);
    RouterIdentityStore::beside(settings).keepLogin(u"10.0.0.4"_s, {.family = u"peplink"_s},
                                                    RouterIdentityStore::Certificate{443, u"AB:CD"_s});
    const QString when = u"  \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\n"_s;
    EXPECT_TRUE(
        QRegularExpression(u"^ADDRESS +KIND +FINGERPRINT  FIRST SEEN\n10\\.0\\.0\\.4 +https :443 +AB:CD"_s +
                           when + u"10\\.0\\.0\\.4 +peplink +https"_s + when + u"$"_s)
            .match(trust({u"list"_s}).out)
            .hasMatch())
        << trust({u"list"_s}).out.toStdString();
    // The configured router's family goes with it: the next connect detects it again.
    settings.writeString(u"routerIP"_s, u"10.0.0.4"_s);
    settings.writeString(u"detectedRouterType"_s, u"peplink"_s);
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out,
              u"Forgot 2 identities of 10.0.0.4; the next connection trusts what the router presents.\n"_s);
    EXPECT_EQ(settings.readString(u"detectedRouterType"_s), std::nullopt);
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out, u"No identity was recorded for 10.0.0.4.\n"_s);
    EXPECT_EQ(trust({u"forget"_s}).exitCode, 2);
}

} // namespace
