#include "router/identity/RouterIdentityStore.h"

#include "TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QFile::Permissions privateFile =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

QStringList summary(const RouterIdentityStore& store) {
    QStringList lines;
    for (const RouterIdentity& identity : store.identities())
        lines.append(u"%1 %2 %3 %4"_s.arg(identity.address, identity.kind)
                         .arg(identity.port)
                         .arg(identity.firstSeen ? u"seen"_s : u"unknown"_s));
    return lines;
}

// The first certificate at an address and port stays; a certificate of another
// address is no pass anywhere else; forgetting an address takes its pins and
// host keys from both files and leaves the files private.
TEST(RouterIdentityStore, PinsStayFirstComeAndForgettingTakesTheWholeAddress) {
    using Verdict = RouterIdentityStore::CertificateVerdict;
    TestEnvironment environment;
    RouterIdentityStore store(environment.path(u"Veltrano"_s));
    store.pinCertificate(u"Router.LAN"_s, 443, u"AA"_s);
    store.pinCertificate(u"router.lan"_s, 443, u"BB"_s);
    store.pinCertificate(u"10.0.0.9"_s, 8443, u"CC"_s);
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 443, u"BB"_s), Verdict::changed);
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 8443, u"CC"_s), Verdict::changed);
    EXPECT_EQ(store.judgeCertificate(u"10.0.0.1"_s, 443, u"CC"_s), Verdict::firstUse);
    EXPECT_EQ(QFile::permissions(environment.path(u"Veltrano/router-identities.json"_s)), privateFile);

    ASSERT_TRUE(store.prepareKnownHosts());
    QFile knownHosts(store.knownHostsPath());
    ASSERT_TRUE(knownHosts.open(QIODevice::Append));
    knownHosts.write("router.lan ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIA==\n"
                     "[router.lan]:2222 ssh-rsa AAAAB3NzaC1yc2EAAAADAQAB\n"
                     "10.0.0.9 ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIB==\n");
    knownHosts.close();
    store.noteNewHostKeys(u"router.lan"_s, {});
    EXPECT_EQ(summary(store), (QStringList{u"router.lan https 443 seen"_s, u"10.0.0.9 https 8443 seen"_s,
                                           u"router.lan ssh 22 seen"_s, u"router.lan ssh 2222 seen"_s,
                                           u"10.0.0.9 ssh 22 unknown"_s}));

    EXPECT_EQ(store.forget(u"ROUTER.lan"_s), 3);
    EXPECT_EQ(store.forget(u"192.0.2.1"_s), 0);
    EXPECT_EQ(summary(store), (QStringList{u"10.0.0.9 https 8443 seen"_s, u"10.0.0.9 ssh 22 unknown"_s}));
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 443, u"BB"_s), Verdict::firstUse);
    EXPECT_EQ(QFile::permissions(store.knownHostsPath()), privateFile);
}

} // namespace
