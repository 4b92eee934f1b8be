#pragma once

#include "router/keyring/CredentialStore.h"

// The credential store on the desktop's Secret Service (gnome-keyring, KWallet,
// KeePassXC) through libsecret. Items use the schema "com.brightfold.Veltrano"
// with the attributes "service" (always "com.brightfold.Veltrano") and
// "account"; new items go into the default collection.
//
// Every call is a synchronous D-Bus round trip that blocks the calling thread
// until the service answers (at most the bus's own time-out, about 25 s). Each
// call opens its own connection to the service, so calls from several threads
// need no coordination.
//
// The store never shows an unlock prompt: a locked collection or item answers
// CredentialStatus::collectionLocked and is left untouched.
class SecretServiceCredentialStore : public CredentialStore {
public:
    PasswordRead readPassword(const QString& account) override;
    qint32 savePassword(const QString& value, const QString& account) override;
    qint32 deletePassword(const QString& account) override;
};
