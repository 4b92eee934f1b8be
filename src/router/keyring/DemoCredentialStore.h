#pragma once

#include "router/keyring/CredentialStore.h"

#include <QHash>
#include <QMutex>

// The demo's keyring: what the settings window saves lives until the demo
// ends, and the user's own keyring is never asked.
class DemoCredentialStore final : public CredentialStore {
public:
    PasswordRead readPassword(const QString& account) override;
    qint32 savePassword(const QString& value, const QString& account) override;
    qint32 deletePassword(const QString& account) override;

private:
    QMutex mutex;
    QHash<QString, QString> passwords;
};
