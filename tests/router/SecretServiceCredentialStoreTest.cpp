// Runs against the real gnome-keyring-daemon that run-with-secret-service.sh
// starts in a private session bus; anywhere else every test skips, so the
// user's own keyring is never touched.
#include "router/SecretServiceCredentialStore.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "router/RouterCredentials.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <thread>

namespace {

bool privateServiceRuns() {
    return qEnvironmentVariableIsSet("VELTRANO_PRIVATE_SECRET_SERVICE");
}

GHashTable* rawAttributes(const QString& account) {
    GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free);
    g_hash_table_insert(attributes, const_cast<char*>("xdg:schema"), g_strdup("com.brightfold.Veltrano"));
    g_hash_table_insert(attributes, const_cast<char*>("service"), g_strdup("com.brightfold.Veltrano"));
    g_hash_table_insert(attributes, const_cast<char*>("account"), g_strdup(account.toUtf8().constData()));
    return attributes;
}

SecretService* rawService() {
    return secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
}

// Items of the program's schema and service for the account, as the service
// itself lists them: every collection, locked or not.
int rawItemCount(const QString& account) {
    SecretService* service = rawService();
    GHashTable* attributes = rawAttributes(account);
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

// An item written by another program into the session collection, the way an
// older build or a second tool might have left one.
bool rawStoreInSessionCollection(const QString& account, const QString& value) {
    SecretService* service = rawService();
    GHashTable* attributes = rawAttributes(account);
    const QByteArray data = value.toUtf8();
    SecretValue* secret = secret_value_new(data.constData(), data.size(), "text/plain");
    const bool stored = secret_service_store_sync(service, nullptr, attributes, SECRET_COLLECTION_SESSION,
                                                  "other", secret, nullptr, nullptr);
    secret_value_unref(secret);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    return stored;
}

class SecretServiceStoreTest : public testing::Test {
protected:
    void SetUp() override {
        if (!privateServiceRuns())
            GTEST_SKIP() << "needs the private Secret Service of run-with-secret-service.sh";
        account = QStringLiteral("routerPassword_%1")
                      .arg(QString::fromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    void TearDown() override {
        if (privateServiceRuns())
            store.deletePassword(account);
    }

    SecretServiceCredentialStore store;
    QString account;
};

// Including an item another program left in another collection.
TEST_F(SecretServiceStoreTest, EachSaveReplacesEveryEarlierItem) {
    ASSERT_TRUE(rawStoreInSessionCollection(account, QStringLiteral("stale")));
    ASSERT_EQ(store.savePassword(QStringLiteral("first"), account), CredentialStatus::success);
    EXPECT_EQ(rawItemCount(account), 1);
    ASSERT_EQ(store.savePassword(QStringLiteral("second"), account), CredentialStatus::success);

    EXPECT_EQ(rawItemCount(account), 1);
    const PasswordRead read = store.readPassword(account);
    EXPECT_EQ(read.value, QStringLiteral("second"));
    EXPECT_EQ(read.status, CredentialStatus::success);
}

TEST_F(SecretServiceStoreTest, DeleteRemovesOnlyThatAccount) {
    const QString other = account + QStringLiteral("_other");
    ASSERT_EQ(store.savePassword(QStringLiteral("mine"), account), CredentialStatus::success);
    ASSERT_EQ(store.savePassword(QStringLiteral("theirs"), other), CredentialStatus::success);

    EXPECT_EQ(store.deletePassword(account), CredentialStatus::success);

    EXPECT_EQ(rawItemCount(account), 0);
    EXPECT_EQ(store.readPassword(account).value, std::nullopt);
    EXPECT_EQ(store.readPassword(account).status, CredentialStatus::itemNotFound);
    EXPECT_EQ(store.deletePassword(account), CredentialStatus::itemNotFound);
    EXPECT_EQ(store.readPassword(other).value, QStringLiteral("theirs"));
    store.deletePassword(other);
}

TEST_F(SecretServiceStoreTest, UsableFromSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::array<bool, 4> roundTrips{};
    for (size_t index = 0; index < roundTrips.size(); ++index) {
        threads.emplace_back([this, index, &roundTrips] {
            const QString threadAccount = account + QString::number(index);
            const QString value = QStringLiteral("value %1").arg(index);
            roundTrips[index] = store.savePassword(value, threadAccount) == CredentialStatus::success &&
                                store.readPassword(threadAccount).value == value &&
                                store.deletePassword(threadAccount) == CredentialStatus::success;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(roundTrips, (std::array<bool, 4>{true, true, true, true}));
}

TEST_F(SecretServiceStoreTest, AnyPasswordComesBackUnchanged) {
    for (const QString& value :
         {QString(), QStringLiteral("it's \"q\" %s \\ $HOME `x` ;"), QStringLiteral("  spaced  "),
          QStringLiteral("p\u00e4ss \u2014 \u00b7 \u5bc6\u7801 \U0001F511")}) {
        ASSERT_EQ(store.savePassword(value, account), CredentialStatus::success);
        const PasswordRead read = store.readPassword(account);
        EXPECT_EQ(read.status, CredentialStatus::success);
        EXPECT_EQ(read.value, value);
    }
}

// Locking is one-way without a user to type the password, so these run in a
// session of their own (a separate test entry).
class LockedKeyring : public SecretServiceStoreTest {
protected:
    static bool lockDefaultCollection() {
        SecretService* service = rawService();
        SecretCollection* collection = secret_collection_for_alias_sync(
            service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, nullptr);
        GList* objects = g_list_append(nullptr, collection);
        const int locked = secret_service_lock_sync(service, objects, nullptr, nullptr, nullptr);
        g_list_free(objects);
        g_object_unref(collection);
        g_object_unref(service);
        return locked == 1;
    }
};

TEST_F(LockedKeyring, AnswersLockedWithoutPromptingOrLosingTheItem) {
    ASSERT_EQ(store.savePassword(QStringLiteral("kept"), account), CredentialStatus::success);
    ASSERT_TRUE(lockDefaultCollection());

    QElapsedTimer elapsed;
    elapsed.start();
    const PasswordRead read = store.readPassword(account);
    const qint32 saveStatus = store.savePassword(QStringLiteral("new"), account);
    EXPECT_LT(elapsed.elapsed(), 5000);

    EXPECT_EQ(read.value, std::nullopt);
    EXPECT_EQ(read.status, CredentialStatus::collectionLocked);
    EXPECT_EQ(saveStatus, CredentialStatus::collectionLocked);
    EXPECT_EQ(rawItemCount(account), 1);
    EXPECT_EQ(RouterCredentials::saveAndVerify(store, QStringLiteral("new"), account),
              QStringLiteral("Keychain save failed (-25308)"));
}

// The real command-line program on the private service: the password goes in on
// standard input and never comes out again.
class PasswordCommandOnSecretService : public SecretServiceStoreTest {
protected:
    void SetUp() override {
        SecretServiceStoreTest::SetUp();
        if (IsSkipped())
            return;
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.configHome());
        SettingsStore(settingsPath()).writeString(SettingsKey::routerIP, QStringLiteral("192.0.2.44"));
        account = RouterCredentials::accountFor(QStringLiteral("192.0.2.44"));
    }

    QString settingsPath() const { return env.configHome() + QStringLiteral("/Veltrano/settings.json"); }

    struct Run {
        bool finished = false;
        int exitCode = -1;
        QByteArray output;
    };

    Run runCli(const QStringList& args, const QByteArray& input = QByteArray()) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(VELTRANO_CLI_PATH), args);
        process.write(input);
        process.closeWriteChannel();
        Run run;
        run.finished = process.waitForFinished(15000);
        if (!run.finished)
            process.kill();
        run.exitCode = process.exitCode();
        run.output = process.readAll();
        return run;
    }

    TestEnvironment env;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QByteArray password = QByteArrayLiteral("Cli-9921 \"p\u00e4ss\" 'x'");
};

TEST_F(PasswordCommandOnSecretService, SetStatusDeleteNeverShowThePassword) {
    const Run set = runCli({QStringLiteral("password"), QStringLiteral("set")}, password + '\n');
    ASSERT_TRUE(set.finished);
    EXPECT_EQ(set.exitCode, 0) << set.output.constData();
    EXPECT_EQ(store.readPassword(account).value, QString::fromUtf8(password));

    const Run status = runCli({QStringLiteral("password"), QStringLiteral("status")});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_TRUE(status.output.contains("Stored:         yes\nStatus:         0 (ok)\n"))
        << status.output.constData();

    const Run deleted = runCli({QStringLiteral("password"), QStringLiteral("delete")});
    EXPECT_EQ(deleted.exitCode, 0);
    EXPECT_EQ(rawItemCount(account), 0);

    QFile settingsFile(settingsPath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    for (const QByteArray& text : {set.output, status.output, deleted.output, settingsFile.readAll()})
        EXPECT_FALSE(text.contains(password.left(8))) << text.constData();
}

TEST_F(PasswordCommandOnSecretService, NoServiceAnswersInTimeWithItsStatus) {
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + env.path(QStringLiteral("no-bus-here")));

    const Run status = runCli({QStringLiteral("password"), QStringLiteral("status")});
    const Run set = runCli({QStringLiteral("password"), QStringLiteral("set")}, password + '\n');

    ASSERT_TRUE(status.finished);
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_TRUE(status.output.contains("Status:         -25291 (")) << status.output.constData();
    ASSERT_TRUE(set.finished);
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_TRUE(set.output.contains("Keychain save failed (-25291)")) << set.output.constData();
    EXPECT_FALSE(set.output.contains(password.left(8)));
}

} // namespace
