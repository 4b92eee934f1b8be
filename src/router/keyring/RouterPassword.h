#pragma once

#include <QString>
#include <optional>

class CredentialStore;

// The stored router password, or the sentence that says why there is none.
struct RouterPasswordLookup {
    // Present and non-empty whenever `failure` is empty.
    std::optional<QString> password;
    QString failure;
    // No login may go to the address as it answers now (RouterLoginClearance):
    // like a refused password, only the user's own connect tries it again.
    bool identityRefused = false;
};

// The password kept for the router at `address` (account "routerPassword_" +
// address). A locked keyring and a missing item are told apart from a wrong
// password, so the user learns what to do and no login goes out with an empty
// one. Blocks on the keyring: call it from the background pool.
RouterPasswordLookup lookUpRouterPassword(CredentialStore& store, const QString& address);

// The same, empty when there is none for whatever reason.
QString readRouterPassword(CredentialStore& store, const QString& address);
