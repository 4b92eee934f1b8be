#include "app/cli/PasswordCommand.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
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

// The password is never printed, whatever happens to it.
TEST_F(PasswordCommandTest, SetStoresTheFirstLineOfStandardInputAndNeverPrintsIt) {
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral(" s3cret w\xc3\xb6rd\r\nsecond line\n")), 0);
    EXPECT_EQ(store.items, (QMap<QString, QString>{{account, QStringLiteral(" s3cret w\u00f6rd")}}));

    store.items.clear();
    store.failure = CredentialStatus::collectionLocked;
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral("s3cret\n")), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("Keychain save failed (-25308)")));
    EXPECT_FALSE((output + errors).contains(QStringLiteral("s3cret")));
}

// A password on the command line would land in the shell history and `ps`.
TEST_F(PasswordCommandTest, SetRefusesAPasswordArgumentAndEmptyInput) {
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("s3cret")}), 2);
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral("\n")), 1);
    EXPECT_TRUE(store.items.isEmpty());
    EXPECT_TRUE(errors.contains(QStringLiteral("standard input")));
}

TEST_F(PasswordCommandTest, StatusSaysWhetherOneIsStoredAndDeleteToleratesNone) {
    store.items = {{account, QStringLiteral("s3cret")}, {QStringLiteral("routerPassword_10.0.0.1"), {}}};
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_EQ(output,
              QStringLiteral("Router address: 192.168.8.1\nAccount:        routerPassword_192.168.8.1\n"
                             "Stored:         yes\nStatus:         0 (ok)\n"));

    EXPECT_EQ(run({QStringLiteral("delete")}), 0);
    EXPECT_EQ(run({QStringLiteral("delete")}), 0);
    EXPECT_EQ(store.items.keys(), QStringList{QStringLiteral("routerPassword_10.0.0.1")});
    EXPECT_TRUE(output.contains(QStringLiteral("No router password was kept for 192.168.8.1.")));
    EXPECT_EQ(run({QStringLiteral("status")}), 1);
    EXPECT_TRUE(output.endsWith(
        QStringLiteral("Stored:         no\nStatus:         -25300 (no item for this account)\n")));
}

// The address check comes before any verb acts.
TEST_F(PasswordCommandTest, NothingHappensWithoutARouterAddress) {
    settings.remove(SettingsKey::routerIP);
    EXPECT_EQ(run({QStringLiteral("set")}, QByteArrayLiteral("s3cret\n")), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("routerIP is not set")));
    EXPECT_EQ(store.saveCount, 0);
}

} // namespace
