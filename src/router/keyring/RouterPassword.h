#pragma once

#include <QString>

class CredentialStore;

// The password kept for the router at `address` (account "routerPassword_" +
// address); empty when there is none or the keyring cannot be read. Blocks on
// the keyring: call it from the background pool.
QString readRouterPassword(CredentialStore& store, const QString& address);
