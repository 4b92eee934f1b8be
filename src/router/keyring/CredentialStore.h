#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Status of a credential-store call: a 32-bit signed value, 0 on success. Users
// see it in "Keychain save failed (-25291)", so the numbers follow the keychain's
// own status values: a code reads the same in a report whichever platform the
// program ran on.
namespace CredentialStatus {
inline constexpr qint32 success = 0;
// No item of this service has that account.
inline constexpr qint32 itemNotFound = -25300;
// No Secret Service answers on the session bus, or it keeps no default collection.
inline constexpr qint32 notAvailable = -25291;
// The item or the default collection is locked. Unlocking needs the user, and the
// store never prompts, so the call fails instead.
inline constexpr qint32 collectionLocked = -25308;
// Anything else the service refused or failed at.
inline constexpr qint32 failed = -2070;
} // namespace CredentialStatus

struct PasswordRead {
    // Present only when the status is success and the stored data is UTF-8 text.
    std::optional<QString> value;
    qint32 status = CredentialStatus::success;
};

// The router passwords, one item per account under the program's fixed service
// name. Callers build the account themselves (RouterCredentials.h).
//
// Implementations block until the store answers, so the real one must be used
// from a background thread wherever a wait would stall the main queue; every
// implementation is safe to call from any thread.
class CredentialStore {
public:
    CredentialStore() = default;
    CredentialStore(const CredentialStore&) = delete;
    CredentialStore& operator=(const CredentialStore&) = delete;
    virtual ~CredentialStore() = default;

    virtual PasswordRead readPassword(const QString& account) = 0;
    // Replaces whatever the account held: afterwards exactly one item carries it.
    virtual qint32 savePassword(const QString& value, const QString& account) = 0;
    // itemNotFound when there was nothing to delete.
    virtual qint32 deletePassword(const QString& account) = 0;
};
