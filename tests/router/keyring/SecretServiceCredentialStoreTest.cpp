// Runs against the real gnome-keyring-daemon that run-with-secret-service.sh
// starts in a private session bus; anywhere else every test skips, so the
// user's own keyring is never touched.
#include "router/keyring/SecretServiceCredentialStore.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <libsecret/secret.h>

namespace {

// Items of the program's schema and service for the account, as the service
// itself lists them: every collection, locked or not.
int rawItemCount(const QString& account) {
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
    GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free);
    g_hash_table_insert(attributes, const_cast<char*>("xdg:schema"), g_strdup("com.brightfold.Veltrano"));
    g_hash_table_insert(attributes, const_cast<char*>("service"), g_strdup("com.brightfold.Veltrano"));
    g_hash_table_insert(attributes, const_cast<char*>("account"), g_strdup(account.toUtf8().constData()));
    GError* error = nullptr;
    GList* items =
        secret_service_search_sync(service, nullptr, attributes, SECRET_SEARCH_ALL, nullptr, &error);
    const int count = error ? -1 : int(g_list_length(items));
    g_clear_error(&error);
    g_list_free_full(items, g_object_unref);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    return count;
}

class SecretServiceStoreTest : public testing::Test {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("VELTRANO_PRIVATE_SECRET_SERVICE"))
            GTEST_SKIP() << "needs the private Secret Service of run-with-secret-service.sh";
        account = QStringLiteral("routerPassword_") +
                  QLatin1String(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // Set only where the private service runs.
    void TearDown() override {
        if (!account.isEmpty())
            store.deletePassword(account);
    }

    SecretServiceCredentialStore store;
    QString account;
};

// The value is one no shell or format string would leave alone. Deleting takes
// only that account.
TEST_F(SecretServiceStoreTest, EachSaveReplacesEveryEarlierItemAndDeleteOnlyItsAccount) {
    const QString awkward = QStringLiteral(" it's \"q\" %s \\ $HOME `x`; p\u00e4ss \u5bc6\u7801 \U0001F511 ");
    const QString other = account + QStringLiteral("_other");
    ASSERT_EQ(store.savePassword(QStringLiteral("first"), account), CredentialStatus::success);
    ASSERT_EQ(store.savePassword(awkward, account), CredentialStatus::success);
    ASSERT_EQ(store.savePassword(QStringLiteral("theirs"), other), CredentialStatus::success);
    EXPECT_EQ(rawItemCount(account), 1);
    EXPECT_EQ(store.readPassword(account).value, awkward);

    EXPECT_EQ(store.deletePassword(account), CredentialStatus::success);
    EXPECT_EQ(store.readPassword(account).status, CredentialStatus::itemNotFound);
    EXPECT_EQ(store.deletePassword(account), CredentialStatus::itemNotFound);
    EXPECT_EQ(store.readPassword(other).value, QStringLiteral("theirs"));
    store.deletePassword(other);
}

bool lockDefaultCollection() {
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
    SecretCollection* collection = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                                    SECRET_COLLECTION_NONE, nullptr, nullptr);
    GList* objects = g_list_append(nullptr, collection);
    const int locked = secret_service_lock_sync(service, objects, nullptr, nullptr, nullptr);
    g_list_free(objects);
    g_object_unref(collection);
    g_object_unref(service);
    return locked == 1;
}

// Locking is one-way without a user to type the password, so these run in a
// session of their own (a separate test entry).
class LockedKeyring : public SecretServiceStoreTest {};

TEST_F(LockedKeyring, AnswersLockedWithoutPromptingOrLosingTheItem) {
    ASSERT_EQ(store.savePassword(QStringLiteral("kept"), account), CredentialStatus::success);
    ASSERT_TRUE(lockDefaultCollection());

    QElapsedTimer elapsed;
    elapsed.start();
    const PasswordRead read = store.readPassword(account);
    EXPECT_EQ(store.savePassword(QStringLiteral("new"), account), CredentialStatus::collectionLocked);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(read.value, std::nullopt);
    EXPECT_EQ(read.status, CredentialStatus::collectionLocked);
    EXPECT_EQ(rawItemCount(account), 1);
}

} // namespace
