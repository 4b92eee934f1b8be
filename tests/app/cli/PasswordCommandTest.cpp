#include "app/cli/PasswordCommand.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "router/MemoryCredentialStore.h"

#include <gtest/gtest.h>

namespace {

const QString account = QStringLiteral("routerPassword_192.168.8.1");

class PasswordCommandTest : public testing::Test {
protected:
    void SetUp() override { settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1")); }

    int run(const QStringList& args, QByteArray input = QByteArray()) {
        QTextStream in(&input, QIODevice::ReadOnly);
        QTextStream out(&output);
        QTextStream err(&errors);
        return runPasswordCommand(args, settings, store, in, false, out, err);
    }

    TestEnvironment env;
    SettingsStore settings{env.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore store;
    QString output;
    QString errors;
};

TEST_F(PasswordCommandTest, SetStoresTheFirstLineOfStandardInput) {
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral(" s3cret w\xc3\xb6rd\r\nsecond line\n")), 0);

    EXPECT_EQ(store.items, (QMap<QString, QString>{{account, QStringLiteral(" s3cret w\u00f6rd")}}));
    EXPECT_FALSE((output + errors).contains(QStringLiteral("s3cret")));
}

// A password on the command line would land in the shell history and `ps`.
TEST_F(PasswordCommandTest, SetNeedsAPasswordOnStandardInputAndReportsTheStoreStatus) {
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("s3cret")}), 2);
    EXPECT_EQ(run({QStringLiteral("set")}), 1);
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral("\n")), 1);
    EXPECT_TRUE(store.items.isEmpty());
    EXPECT_TRUE(errors.contains(QStringLiteral("standard input")));

    store.failure = CredentialStatus::collectionLocked;
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral("s3cret\n")), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("Keychain save failed (-25308)")));
    EXPECT_FALSE(errors.contains(QStringLiteral("s3cret")));
}

TEST_F(PasswordCommandTest, StatusSaysWhetherOneIsStoredButNeverWhatItIs) {
    EXPECT_EQ(run({QStringLiteral("status")}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Stored:         no\nStatus:         -25300 (")));

    store.items.insert(account, QStringLiteral("s3cret"));
    output.clear();
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_EQ(output, QStringLiteral("Router address: 192.168.8.1\n"
                                     "Account:        routerPassword_192.168.8.1\n"
                                     "Stored:         yes\n"
                                     "Status:         0 (ok)\n"));
}

TEST_F(PasswordCommandTest, DeleteRemovesTheRouterAccountAndToleratesNone) {
    store.items = {{account, QStringLiteral("a")},
                   {QStringLiteral("routerPassword_10.0.0.1"), QStringLiteral("b")}};

    EXPECT_EQ(run({QStringLiteral("delete")}), 0);
    EXPECT_EQ(run({QStringLiteral("delete")}), 0);

    EXPECT_EQ(store.items.keys(), QStringList{QStringLiteral("routerPassword_10.0.0.1")});
    EXPECT_TRUE(output.contains(QStringLiteral("No router password was kept for 192.168.8.1.")));
}

TEST_F(PasswordCommandTest, EveryVerbNeedsARouterAddress) {
    settings.remove(SettingsKey::routerIP);
    for (const QString& verb : {QStringLiteral("set"), QStringLiteral("delete"), QStringLiteral("status")}) {
        errors.clear();
        EXPECT_EQ(run({verb}, QByteArrayLiteral("s3cret\n")), 1) << qPrintable(verb);
        EXPECT_TRUE(errors.contains(QStringLiteral("routerIP is not set"))) << qPrintable(verb);
    }
    EXPECT_EQ(store.saveCount, 0);
}

} // namespace
