#include "router/keyring/RouterCredentials.h"

#include "router/keyring/CredentialStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

namespace RouterCredentials {

namespace {

// Older builds created their items with other access settings; saving the same
// value again replaces the item with one made the current way.
void resaveIfPresent(CredentialStore& store, const QString& account) {
    const PasswordRead read = store.readPassword(account);
    if (read.value && !read.value->isEmpty())
        store.savePassword(*read.value, account);
}

void moveLegacySetting(SettingsStore& settings, CredentialStore& store) {
    const std::optional<QString> password = settings.readString(SettingsKey::routerPassword);
    if (!password || password->isEmpty())
        return;
    // The setting is the only copy: it goes only once the store gives the same
    // text back, and otherwise stays for the next launch to try again.
    if (!saveAndVerify(store, *password, legacyAccount()))
        settings.remove(SettingsKey::routerPassword);
}

} // namespace

QString accountFor(const QString& routerAddress) {
    return QStringLiteral("routerPassword_") + routerAddress;
}

QString legacyAccount() {
    return QStringLiteral("routerPassword");
}

std::optional<QString> saveAndVerify(CredentialStore& store, const QString& password,
                                     const QString& account) {
    const qint32 saveStatus = store.savePassword(password, account);
    if (saveStatus != CredentialStatus::success)
        return QStringLiteral("Keychain save failed (%1)").arg(saveStatus);
    const PasswordRead read = store.readPassword(account);
    if (read.value != password)
        return QStringLiteral("Keychain save OK but read-back failed (%1)").arg(read.status);
    return std::nullopt;
}

bool runLaunchMigrations(SettingsStore& settings, CredentialStore& store) {
    moveLegacySetting(settings, store);

    const bool hadMigration1Before = settings.readBool(SettingsKey::keychainACLMigration1);
    if (!hadMigration1Before) {
        resaveIfPresent(store, legacyAccount());
        settings.writeBool(SettingsKey::keychainACLMigration1, true);
    }

    if (!settings.readBool(SettingsKey::keychainACLMigration2)) {
        const QString routerIP = settings.readString(SettingsKey::routerIP).value_or(QString());
        if (!routerIP.isEmpty())
            resaveIfPresent(store, accountFor(routerIP));
        settings.writeBool(SettingsKey::keychainACLMigration2, true);
    }
    return hadMigration1Before;
}

QList<qint32> wipe(CredentialStore& store, const QString& routerIP) {
    QStringList accounts{legacyAccount()};
    if (!routerIP.isEmpty())
        accounts.prepend(accountFor(routerIP));
    QList<qint32> failures;
    for (const QString& account : accounts) {
        const qint32 status = store.deletePassword(account);
        if (status != CredentialStatus::success && status != CredentialStatus::itemNotFound)
            failures.append(status);
    }
    return failures;
}

} // namespace RouterCredentials
