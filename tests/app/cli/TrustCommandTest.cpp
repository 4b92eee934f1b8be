#include "app/cli/TrustCommand.h"

#include "CliTestSupport.h"
#include "TestEnvironment.h"
#include "router/identity/RouterIdentityStore.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Which identities there are is the store's business; here what the verb prints.
TEST(TrustCommand, ListsEachIdentityOnALineAndForgetsOneAddress) {
    TestEnvironment env;
    RouterIdentityStore identities(env.path(u"Veltrano"_s));
    const auto trust = [&identities](const QStringList& args) {
        return capture(
            [&](QTextStream& out, QTextStream& err) { return runTrustCommand(args, identities, out, err); });
    };
    EXPECT_EQ(trust({u"list"_s}).out, u"No router identities are recorded.\n"_s);
    identities.pinCertificate(u"10.0.0.4"_s, 443, u"AB:CD"_s);
    ASSERT_TRUE(identities.prepareKnownHosts());
    QFile knownHosts(identities.knownHostsPath());
    ASSERT_TRUE(knownHosts.open(QIODevice::Append));
    knownHosts.write("[10.0.0.1]:2222 ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIA==\n");
    knownHosts.close();

    const QString listed = trust({u"list"_s}).out;
    EXPECT_TRUE(
        QRegularExpression(u"^ADDRESS +KIND +FINGERPRINT  FIRST SEEN\n"
                           "10\\.0\\.0\\.4 +https :443 +AB:CD  \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\n"
                           "10\\.0\\.0\\.1 +ssh :2222 +SHA256:\\S+  unknown\n$"_s)
            .match(listed)
            .hasMatch())
        << listed.toStdString();
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out,
              u"Forgot 1 identity of 10.0.0.4; the next connection trusts what the router presents.\n"_s);
    EXPECT_EQ(trust({u"forget"_s, u"10.0.0.4"_s}).out, u"No identity was recorded for 10.0.0.4.\n"_s);
    EXPECT_EQ(trust({u"forget"_s}).exitCode, 2);
}

} // namespace
