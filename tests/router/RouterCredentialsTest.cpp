#include "router/RouterCredentials.h"

#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

#include <QFile>
#include <gtest/gtest.h>

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

TEST(RouterCredentialSave, ReportsTheFirstFailure) {
    const struct {
        const char* name;
        qint32 saveFailure;
        std::optional<PasswordRead> readBack;
        std::optional<QString> message;
    } rows[] = {
        {"sameTextBack", CredentialStatus::success, std::nullopt, std::nullopt},
        {"saveFailed", CredentialStatus::notAvailable, std::nullopt,
         QStringLiteral("Keychain save failed (-25291)")},
        {"nothingBack", CredentialStatus::success, PasswordRead{std::nullopt, CredentialStatus::itemNotFound},
         QStringLiteral("Keychain save OK but read-back failed (-25300)")},
        {"otherTextBack", CredentialStatus::success, PasswordRead{QStringLiteral("p"), 0},
         QStringLiteral("Keychain save OK but read-back failed (0)")},
    };
    for (const auto& row : rows) {
        ReadBackStore odd(row.readBack.value_or(PasswordRead{}));
        MemoryCredentialStore plain;
        plain.failure = row.saveFailure;
        CredentialStore& store = row.readBack ? static_cast<CredentialStore&>(odd) : plain;
        EXPECT_EQ(RouterCredentials::saveAndVerify(store, QStringLiteral("pw"),
                                                   QStringLiteral("routerPassword_10.0.0.1")),
                  row.message)
            << row.name;
    }
}

const QString legacy = QStringLiteral("routerPassword");
const QString current = QStringLiteral("routerPassword_192.168.8.1");

// Each migration re-saves what is stored once, is flagged done, and never runs again.
TEST(RouterCredentialMigrations, ResaveOnceAndSetTheirFlags) {
    const Items both{{legacy, QStringLiteral("old")}, {current, QStringLiteral("pw")}};
    const struct {
        const char* name;
        QString routerIP;
        bool ranBefore;
        Items items;
        int expectedSaves;
    } rows[] = {
        {"bothResaved", QStringLiteral("192.168.8.1"), false, both, 2},
        {"ranBeforeNothingResaved", QStringLiteral("192.168.8.1"), true, both, 0},
        {"emptyPasswordsNotResaved",
         QStringLiteral("192.168.8.1"),
         false,
         {{legacy, QString()}, {current, QString()}},
         0},
        {"emptyRouterIPSkipsTheBareAccount",
         QString(),
         false,
         {{QStringLiteral("routerPassword_"), QStringLiteral("x")}},
         0},
    };
    for (const auto& row : rows) {
        TestEnvironment env;
        SettingsStore settings{env.path(QStringLiteral("settings.json"))};
        MemoryCredentialStore store;
        settings.writeString(SettingsKey::routerIP, row.routerIP);
        settings.writeBool(SettingsKey::keychainACLMigration1, row.ranBefore);
        settings.writeBool(SettingsKey::keychainACLMigration2, row.ranBefore);
        store.items = row.items;

        EXPECT_EQ(RouterCredentials::runLaunchMigrations(settings, store), row.ranBefore) << row.name;
        EXPECT_EQ(store.saveCount, row.expectedSaves) << row.name;
        EXPECT_EQ(store.items, row.items) << row.name;
        EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration1)) << row.name;
        EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration2)) << row.name;
    }
}

class LegacyPasswordMove : public testing::Test {
protected:
    QByteArray settingsFile() const {
        QFile file(settings.filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestEnvironment env;
    SettingsStore settings{env.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore store;
    const QString password = QStringLiteral("Zebra-7731-legacy");
};

TEST_F(LegacyPasswordMove, LeavesNoTraceInTheSettingsFile) {
    settings.writeString(SettingsKey::routerPassword, password);
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
    ASSERT_TRUE(settingsFile().contains(password.toUtf8()));

    RouterCredentials::runLaunchMigrations(settings, store);

    EXPECT_FALSE(settingsFile().contains(password.toUtf8()));
    EXPECT_FALSE(settingsFile().isEmpty());
    EXPECT_EQ(store.items.value(RouterCredentials::legacyAccount()), password);
}

// The setting is the only copy: a store that cannot take it must not cost the
// user the password.
TEST_F(LegacyPasswordMove, StaysUntilTheStoreTakesIt) {
    settings.writeString(SettingsKey::routerPassword, password);
    store.failure = CredentialStatus::notAvailable;

    RouterCredentials::runLaunchMigrations(settings, store);

    EXPECT_EQ(settings.readString(SettingsKey::routerPassword), password);
    EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration1));
    EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration2));

    store.failure = CredentialStatus::success;
    EXPECT_TRUE(RouterCredentials::runLaunchMigrations(settings, store));
    EXPECT_FALSE(settings.readObject(SettingsKey::routerPassword));
    EXPECT_EQ(store.items.value(RouterCredentials::legacyAccount()), password);
}

TEST(RouterCredentialWipe, RemovesTheRouterAndLegacyAccountsOnly) {
    MemoryCredentialStore store;
    const Items others{{QStringLiteral("routerPassword_10.0.0.2"), QStringLiteral("b")},
                       {QStringLiteral("routerPassword_"), QStringLiteral("d")}};
    store.items = others;
    store.items.insert(QStringLiteral("routerPassword_10.0.0.1"), QStringLiteral("a"));
    store.items.insert(QStringLiteral("routerPassword"), QStringLiteral("c"));

    RouterCredentials::wipe(store, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(store.items, others);

    // An empty address has no account of its own to wipe.
    RouterCredentials::wipe(store, QString());
    EXPECT_EQ(store.items, others);
}

} // namespace
