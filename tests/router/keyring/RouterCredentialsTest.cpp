#include "router/keyring/RouterCredentials.h"

#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/keyring/RouterPassword.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Items = QMap<QString, QString>;

// Answers reads with whatever the test says, whatever was saved.
class ReadBackStore : public MemoryCredentialStore {
public:
    explicit ReadBackStore(PasswordRead answer)
        : answer(std::move(answer)) {}
    PasswordRead readPassword(const QString&) override { return answer; }

private:
    PasswordRead answer;
};

TEST(RouterCredentials, SaveAndVerifyReportsTheFirstFailure) {
    const auto saved = [](CredentialStore&& store) {
        return RouterCredentials::saveAndVerify(store, u"pw"_s, u"routerPassword_10.0.0.1"_s);
    };
    EXPECT_EQ(saved(MemoryCredentialStore()), std::nullopt);
    MemoryCredentialStore unavailable;
    unavailable.failure = CredentialStatus::notAvailable;
    EXPECT_EQ(saved(std::move(unavailable)), u"Keychain save failed (-25291)"_s);
    EXPECT_EQ(saved(ReadBackStore({std::nullopt, CredentialStatus::itemNotFound})),
              u"Keychain save OK but read-back failed (-25300)"_s);
    EXPECT_EQ(saved(ReadBackStore({u"p"_s, 0})), u"Keychain save OK but read-back failed (0)"_s);
}

// Each migration re-saves what is stored once, is flagged done, and never runs again.
TEST(RouterCredentials, LaunchMigrationsResaveOnce) {
    const QString legacy = RouterCredentials::legacyAccount();
    const QString current = u"routerPassword_192.168.8.1"_s;
    const auto saves = [](const QString& routerIP, bool ranBefore, const Items& items) {
        TestEnvironment env;
        SettingsStore settings{env.path(u"settings.json"_s)};
        MemoryCredentialStore store;
        settings.writeString(SettingsKey::routerIP, routerIP);
        settings.writeBool(SettingsKey::keychainACLMigration1, ranBefore);
        settings.writeBool(SettingsKey::keychainACLMigration2, ranBefore);
        store.items = items;
        EXPECT_EQ(RouterCredentials::runLaunchMigrations(settings, store), ranBefore);
        EXPECT_EQ(store.items, items);
        EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration1) &&
                    settings.readBool(SettingsKey::keychainACLMigration2));
        return store.saveCount;
    };
    const Items both{{legacy, u"old"_s}, {current, u"pw"_s}};
    EXPECT_EQ(saves(u"192.168.8.1"_s, false, both), 2);
    EXPECT_EQ(saves(u"192.168.8.1"_s, true, both), 0);
    EXPECT_EQ(saves(u"192.168.8.1"_s, false, {{legacy, QString()}, {current, QString()}}), 0);
    EXPECT_EQ(saves(QString(), false, {{u"routerPassword_"_s, u"x"_s}}), 0) << "no address, no account";
}

// The setting is the only copy: a store that cannot take it must not cost the
// user the password, and once moved it leaves no trace in the file.
TEST(RouterCredentials, LegacySettingMovesOnceTheStoreTakesIt) {
    TestEnvironment env;
    SettingsStore settings{env.path(u"settings.json"_s)};
    MemoryCredentialStore store;
    const QString password = u"Zebra-7731-legacy"_s;
    settings.writeString(SettingsKey::routerPassword, password);
    store.failure = CredentialStatus::notAvailable;
    RouterCredentials::runLaunchMigrations(settings, store);
    EXPECT_EQ(settings.readString(SettingsKey::routerPassword), password);
    EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration2));

    store.failure = CredentialStatus::success;
    EXPECT_TRUE(RouterCredentials::runLaunchMigrations(settings, store));
    EXPECT_EQ(store.items.value(RouterCredentials::legacyAccount()), password);
    QFile settingsFile(settings.filePath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    const QByteArray written = settingsFile.readAll();
    EXPECT_FALSE(written.isEmpty() || written.contains(password.toUtf8()));
}

TEST(RouterCredentials, WipeRemovesTheRouterAndLegacyAccountsOnly) {
    MemoryCredentialStore store;
    const Items others{{u"routerPassword_10.0.0.2"_s, u"b"_s}, {u"routerPassword_"_s, u"d"_s}};
    store.items = Items{{u"routerPassword_10.0.0.1"_s, u"a"_s}, {u"routerPassword"_s, u"c"_s}};
    store.items.insert(others);
    RouterCredentials::wipe(store, u"10.0.0.1"_s);
    EXPECT_EQ(store.items, others);
    // An empty address has no account of its own to wipe.
    RouterCredentials::wipe(store, QString());
    EXPECT_EQ(store.items, others);
}

} // namespace

// A keyring that cannot answer is no wrong password: the user is told what to do.
TEST(RouterCredentials, PasswordLookupSaysWhyThereIsNone) {
    MemoryCredentialStore store;
    store.items = Items{{u"routerPassword_10.0.0.1"_s, u"pw"_s}, {u"routerPassword_10.0.0.2"_s, QString()}};
    const auto failure = [&](const QString& address) { return lookUpRouterPassword(store, address).failure; };
    EXPECT_EQ(lookUpRouterPassword(store, u"10.0.0.1"_s).password, u"pw"_s);
    EXPECT_EQ(failure(u"10.0.0.2"_s), u"No password stored for 10.0.0.2"_s);
    EXPECT_EQ(failure(u"10.0.0.3"_s), u"No password stored for 10.0.0.3"_s);
    store.failure = CredentialStatus::collectionLocked;
    EXPECT_EQ(failure(u"10.0.0.1"_s), u"Keyring is locked — unlock it and connect again"_s);
    store.failure = CredentialStatus::notAvailable;
    EXPECT_EQ(failure(u"10.0.0.1"_s), u"Keyring read failed (-25291)"_s);
}
