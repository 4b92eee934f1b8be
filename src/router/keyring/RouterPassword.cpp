#include "router/keyring/RouterPassword.h"

#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"

RouterPasswordLookup lookUpRouterPassword(CredentialStore& store, const QString& address) {
    const PasswordRead read = store.readPassword(RouterCredentials::accountFor(address));
    if (read.value && !read.value->isEmpty())
        return {read.value, QString()};
    switch (read.status) {
    case CredentialStatus::collectionLocked:
        return {std::nullopt, QStringLiteral("Keyring is locked — unlock it and connect again")};
    case CredentialStatus::success:
    case CredentialStatus::itemNotFound:
        return {std::nullopt, QStringLiteral("No password stored for ") + address};
    default:
        return {std::nullopt, QStringLiteral("Keyring read failed (%1)").arg(read.status)};
    }
}

QString readRouterPassword(CredentialStore& store, const QString& address) {
    return lookUpRouterPassword(store, address).password.value_or(QString());
}
