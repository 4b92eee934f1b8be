#pragma once

#include <QList>
#include <QString>
#include <optional>

class CredentialStore;
class SettingsStore;

// The router password's place in the credential store and the launch,
// connect and uninstall steps around it. Each call blocks on the store (see
// CredentialStore.h).
namespace RouterCredentials {

// "routerPassword_" followed directly by the address, as the caller holds it.
QString accountFor(const QString& routerAddress);
// The single account of builds that kept one password for every router.
QString legacyAccount();

// Saves the password and reads it back. None when the same text came back;
// otherwise the sentence that ends the connection attempt.
std::optional<QString> saveAndVerify(CredentialStore& store, const QString& password, const QString& account);

// The launch steps, in order: the legacy "routerPassword" setting moves into
// the store, then the two one-time re-saves, each recorded by its flag
// (keychainACLMigration1, keychainACLMigration2) even when there was nothing to
// re-save or the store failed. Returns whether migration 1 had already run
// before this launch, which tells a program that has run before from a first
// launch.
bool runLaunchMigrations(SettingsStore& settings, CredentialStore& store);

// The uninstall wipe: the account of `routerIP` when that is not empty, then the
// legacy account. Returns the status of each account the store could not
// delete; an account it never held counts as deleted.
QList<qint32> wipe(CredentialStore& store, const QString& routerIP);

} // namespace RouterCredentials
