#include "router/RouterPassword.h"

#include "router/CredentialStore.h"
#include "router/RouterCredentials.h"

QString readRouterPassword(CredentialStore& store, const QString& address) {
    return store.readPassword(RouterCredentials::accountFor(address)).value.value_or(QString());
}
