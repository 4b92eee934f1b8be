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
    const auto pin = [&store](const QString& address, int port, const QString& fingerprint) {
        return store.keepLogin(address, {.family = u"unifi"_s},
                               RouterIdentityStore::Certificate{port, fingerprint});
    };
    pin(u"Router.LAN"_s, 443, u"AA"_s);
    pin(u"router.lan"_s, 443, u"BB"_s);
    pin(u"10.0.0.9"_s, 8443, u"CC"_s);
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
                                      u"router.lan unifi 0 dated"_s, u"10.0.0.9 unifi 0 dated"_s,
                                      u"router.lan ssh 22 dated"_s, u"router.lan ssh 2222 dated"_s,
                                      u"10.0.0.9 ssh 22 undated"_s}));

    EXPECT_EQ(store.forget(u"ROUTER.lan"_s), 4);
    EXPECT_EQ(summary(), (QStringList{u"10.0.0.9 https 8443 dated"_s, u"10.0.0.9 unifi 0 dated"_s,
                                      u"10.0.0.9 ssh 22 undated"_s}));
    EXPECT_EQ(store.judgeCertificate(u"router.lan"_s, 443, u"BB"_s), Verdict::firstUse);
    const QFile::Permissions privateFile =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    EXPECT_EQ(QFile::permissions(environment.path(u"Veltrano/router-identities.json"_s)), privateFile);
    EXPECT_EQ(QFile::permissions(store.knownHostsPath()), privateFile);
}

// The first login's family and way in stay what they were. A file that cannot
// be read, or reads as something else than identities, is kept aside and
// leaves no router new: each counts as changed until it is forgotten. A pin
// that cannot be written says so.
TEST(RouterIdentityStore, TheFirstLoginIsKeptAndAnUnreadableFileFailsClosed) {
    TestEnvironment environment;
    RouterIdentityStore store(environment.path(u"Veltrano"_s));
    const RouterRecord clearText{u"glinet"_s, u"http"_s, 1, u"md5"_s};
    ASSERT_TRUE(store.keepLogin(u"10.0.0.1"_s, clearText, std::nullopt));
    ASSERT_TRUE(store.keepLogin(u"10.0.0.1"_s, {.family = u"unifi"_s},
                                RouterIdentityStore::Certificate{443, u"AA"_s}));
    EXPECT_EQ(store.standing(u"10.0.0.1"_s).record, clearText);
    EXPECT_TRUE(store.standing(u"10.0.0.1"_s).certificatePinned);
    EXPECT_EQ(store.standing(u"10.0.0.2"_s).unreadableFile, std::nullopt);

    for (const QByteArray& content :
         {QByteArray("{\"routers\": [{\"addr"), QByteArray(R"({"certificates": 7})")}) {
        QFile file(store.identitiesPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        const RouterStanding lost = store.standing(u"10.0.0.1"_s);
        EXPECT_EQ(lost.record, std::nullopt);
        ASSERT_TRUE(lost.unreadableFile);
        QFile kept(*lost.unreadableFile);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), content);
        EXPECT_EQ(store.judgeCertificate(u"10.0.0.2"_s, 443, u"BB"_s),
                  RouterIdentityStore::CertificateVerdict::changed);
        EXPECT_EQ(store.forget(u"10.0.0.2"_s), 1);
        EXPECT_EQ(store.judgeCertificate(u"10.0.0.2"_s, 443, u"BB"_s),
                  RouterIdentityStore::CertificateVerdict::firstUse);
        EXPECT_TRUE(store.standing(u"10.0.0.3"_s).unreadableFile);
        QFile::remove(store.identitiesPath());
    }

    QFile blocker(environment.path(u"not-a-folder"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(RouterIdentityStore(blocker.fileName()).keepLogin(u"10.0.0.1"_s, clearText, std::nullopt));
}

} // namespace
