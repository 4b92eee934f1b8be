#include "router/keyring/RouterPassword.h"

#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"

QString readRouterPassword(CredentialStore& store, const QString& address) {
    return store.readPassword(RouterCredentials::accountFor(address)).value.value_or(QString());
}
