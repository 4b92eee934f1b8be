#include "router/keyring/DemoCredentialStore.h"

PasswordRead DemoCredentialStore::readPassword(const QString& account) {
    const QMutexLocker lock(&mutex);
    const auto found = passwords.constFind(account);
    if (found == passwords.cend())
        return {std::nullopt, CredentialStatus::itemNotFound};
    return {*found, CredentialStatus::success};
}

qint32 DemoCredentialStore::savePassword(const QString& value, const QString& account) {
    const QMutexLocker lock(&mutex);
    passwords.insert(account, value);
    return CredentialStatus::success;
}

qint32 DemoCredentialStore::deletePassword(const QString& account) {
    const QMutexLocker lock(&mutex);
    return passwords.remove(account) ? CredentialStatus::success : CredentialStatus::itemNotFound;
}
