#include "router/identity/RouterIdentityStore.h"

#include "TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The first certificate at an address and port stays, and is no pass at another
// address; ssh's keys are listed by address and port, dated once we saw ssh add
// them; forgetting an address takes all of it from both files, which stay private.
TEST(RouterIdentityStore, PinsStayFirstComeAndForgettingTakesTheWholeAddress) {
    using Verdict = RouterIdentityStore::CertificateVerdict;
    TestEnvironment environment;
    RouterIdentityStore store(environment.path(u"Veltrano"_s));
    store.pinCertificate(u"Router.LAN"_s, 443, u"AA"_s);
    store.pinCertificate(u"router.lan"_s, 443, u"BB"_s);
    store.pinCertificate(u"10.0.0.9"_s, 8443, u"CC"_s);
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 443, u"BB"_s), Verdict::changed);
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 8443, u"CC"_s), Verdict::changed);
    ASSERT_TRUE(store.prepareKnownHosts());
    QFile knownHosts(store.knownHostsPath());
    ASSERT_TRUE(knownHosts.open(QIODevice::Append));
    knownHosts.write("router.lan ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIA==\n"
                     "[router.lan]:2222 ssh-rsa AAAAB3NzaC1yc2EAAAADAQAB\n10.0.0.9 ssh-ed25519 AAAAIB==\n");
    knownHosts.close();
    store.noteNewHostKeys(u"router.lan"_s, {});
    const auto summary = [&store] {
        QStringList lines;
        for (const RouterIdentity& identity : store.identities())
            lines.append(u"%1 %2 %3 %4"_s.arg(identity.address, identity.kind)
                             .arg(identity.port)
                             .arg(identity.firstSeen ? u"dated"_s : u"undated"_s));
        return lines;
    };
    EXPECT_EQ(summary(), (QStringList{u"router.lan https 443 dated"_s, u"10.0.0.9 https 8443 dated"_s,
                                      u"router.lan ssh 22 dated"_s, u"router.lan ssh 2222 dated"_s,
                                      u"10.0.0.9 ssh 22 undated"_s}));

    EXPECT_EQ(store.forget(u"ROUTER.lan"_s), 3);
    EXPECT_EQ(summary(), (QStringList{u"10.0.0.9 https 8443 dated"_s, u"10.0.0.9 ssh 22 undated"_s}));
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 443, u"BB"_s), Verdict::firstUse);
    const QFile::Permissions privateFile =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    EXPECT_EQ(QFile::permissions(environment.path(u"Veltrano/router-identities.json"_s)), privateFile);
    EXPECT_EQ(QFile::permissions(store.knownHostsPath()), privateFile);
}

} // namespace
