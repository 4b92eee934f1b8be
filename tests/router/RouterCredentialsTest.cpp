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

struct VerifyRow {
    const char* name;
    qint32 saveFailure;
    std::optional<PasswordRead> readBack;
    std::optional<QString> message;
    friend void PrintTo(const VerifyRow& row, std::ostream* os) { *os << row.name; }
};

class SaveAndVerify : public testing::TestWithParam<VerifyRow> {};

TEST_P(SaveAndVerify, ReportsTheFirstFailure) {
    const VerifyRow& row = GetParam();
    ReadBackStore odd(row.readBack.value_or(PasswordRead{}));
    MemoryCredentialStore plain;
    CredentialStore& store = row.readBack ? static_cast<CredentialStore&>(odd) : plain;
    plain.failure = row.saveFailure;

    EXPECT_EQ(RouterCredentials::saveAndVerify(store, QStringLiteral("pw"),
                                               QStringLiteral("routerPassword_10.0.0.1")),
              row.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveAndVerify,
    testing::Values(VerifyRow{"sameTextBack", CredentialStatus::success, std::nullopt, std::nullopt},
                    VerifyRow{"saveFailed", CredentialStatus::notAvailable, std::nullopt,
                              QStringLiteral("Keychain save failed (-25291)")},
                    VerifyRow{"nothingBack", CredentialStatus::success,
                              PasswordRead{std::nullopt, CredentialStatus::itemNotFound},
                              QStringLiteral("Keychain save OK but read-back failed (-25300)")},
                    VerifyRow{"otherTextBack", CredentialStatus::success,
                              PasswordRead{QStringLiteral("p"), 0},
                              QStringLiteral("Keychain save OK but read-back failed (0)")}),
    [](const auto& info) { return std::string(info.param.name); });

struct LaunchRow {
    const char* name;
    std::optional<QString> legacySetting;
    QString routerIP;
    bool migrationsRanBefore;
    Items itemsBefore;
    int expectedSaves;
    // The items after the launch, where they differ from before.
    std::optional<Items> expectedItems = {};
};

void PrintTo(const LaunchRow& row, std::ostream* os) {
    *os << row.name;
}

class LaunchMigrations : public testing::TestWithParam<LaunchRow> {
protected:
    TestEnvironment env;
    SettingsStore settings{env.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore store;
};

TEST_P(LaunchMigrations, MoveResaveAndFlag) {
    const LaunchRow& row = GetParam();
    if (row.legacySetting)
        settings.writeString(SettingsKey::routerPassword, *row.legacySetting);
    settings.writeString(SettingsKey::routerIP, row.routerIP);
    if (row.migrationsRanBefore) {
        settings.writeBool(SettingsKey::keychainACLMigration1, true);
        settings.writeBool(SettingsKey::keychainACLMigration2, true);
    }
    store.items = row.itemsBefore;

    EXPECT_EQ(RouterCredentials::runLaunchMigrations(settings, store), row.migrationsRanBefore);

    EXPECT_EQ(store.saveCount, row.expectedSaves);
    EXPECT_EQ(store.items, row.expectedItems.value_or(row.itemsBefore));
    EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration1));
    EXPECT_TRUE(settings.readBool(SettingsKey::keychainACLMigration2));
    EXPECT_FALSE(settings.readObject(SettingsKey::routerPassword));
}

const QString legacy = QStringLiteral("routerPassword");
const QString current = QStringLiteral("routerPassword_192.168.8.1");

const QString routerIP = QStringLiteral("192.168.8.1");
const QString oddPassword = QStringLiteral("h\u00fcnter2 \"x\"");
const Items old{{legacy, QStringLiteral("old")}};
const Items moved{{legacy, oddPassword}};
const Items routerItem{{current, QStringLiteral("pw")}};
const Items emptyPasswords{{legacy, QString()}, {current, QString()}};
const Items bareAccount{{QStringLiteral("routerPassword_"), QStringLiteral("x")}};
const Items both{{legacy, QStringLiteral("old")}, {current, QStringLiteral("pw")}};

INSTANTIATE_TEST_SUITE_P(
    Rows, LaunchMigrations,
    testing::Values(LaunchRow{"firstLaunchNothingStored", std::nullopt, QString(), false, {}, 0},
                    // Moved once, then re-saved by migration 1 like any legacy item.
                    LaunchRow{"legacySettingMoves", oddPassword, QString(), false, {}, 2, moved},
                    LaunchRow{"legacyItemResavedUnchanged", std::nullopt, QString(), false, old, 1},
                    LaunchRow{"routerItemResaved", std::nullopt, routerIP, false, routerItem, 1},
                    LaunchRow{"emptyPasswordsNotResaved", std::nullopt, routerIP, false, emptyPasswords, 0},
                    LaunchRow{"emptyRouterIPSkipsTheBareAccount", std::nullopt, QString(), false, bareAccount,
                              0},
                    LaunchRow{"ranBeforeNothingResaved", std::nullopt, routerIP, true, both, 0}),
    [](const auto& info) { return std::string(info.param.name); });

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
