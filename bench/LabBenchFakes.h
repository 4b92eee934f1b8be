#pragma once

#include "platform/SystemLog.h"
#include "router/keyring/CredentialStore.h"

// What the lab benches put in place of the journal and the keyring: the lab's
// one password, and no event lines in the figures' way.
class QuietLog : public SystemLog {
public:
    void write(SystemLogLevel, const QString&, VtCode) override {}
};

class OnePassword : public CredentialStore {
public:
    explicit OnePassword(QString password)
        : password(std::move(password)) {}
    PasswordRead readPassword(const QString&) override { return {password, CredentialStatus::success}; }
    qint32 savePassword(const QString&, const QString&) override { return CredentialStatus::success; }
    qint32 deletePassword(const QString&) override { return CredentialStatus::success; }

private:
    QString password;
};
