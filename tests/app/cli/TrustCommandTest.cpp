#include "app/cli/TrustCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "router/identity/RouterIdentityStore.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// What there is to list and forget is the store's business; here what the verb prints.
TEST(TrustCommand, ListsEachIdentityOnALineAndForgetsOneAddress) {
    TestEnvironment env;
    RouterIdentityStore identities(env.path(u"Veltrano"_s));
    const auto trust = [&identities](const QStringList& args) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runTrustCommand(args, identities, out, err); });
    };
    EXPECT_EQ(trust({u"list"_s}).out, u"No router identities are recorded.\n"_s);
    identities.pinCertificate(u"10.0.0.4"_s, 443, u"AB:CD"_s);
    EXPECT_TRUE(
        QRegularExpression(u"^ADDRESS +KIND +FINGERPRINT  FIRST SEEN\n10\\.0\\.0\\.4 +https :443 +AB:CD  "
                           "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\n$"_s)
            .match(trust({u"list"_s}).out)
            .hasMatch());
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out,
              u"Forgot 1 identity of 10.0.0.4; the next connection trusts what the router presents.\n"_s);
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out, u"No identity was recorded for 10.0.0.4.\n"_s);
    EXPECT_EQ(trust({u"forget"_s}).exitCode, 2);
}

} // namespace
