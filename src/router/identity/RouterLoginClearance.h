#pragma once

#include "router/keyring/RouterPassword.h"

class CredentialStore;
class EventLogger;
class RouterIdentityStore;

// The password for a login as `family` to the router at `address`, read only
// once the address's identity allows it: none, with the sentence for the user
// and an event, when the first login there was as another family, or when the
// identities cannot be read and the address was not forgotten since. Checked
// before every login and every ssh master the router password opens, so that
// a host answering at a known router's address in another family's way (a
// spoofed gateway that speaks only HTTP and SSH) is sent nothing.
//
// Blocks on the identities file and the keyring: call it from the background pool.
RouterPasswordLookup clearRouterLogin(const RouterIdentityStore& identities, CredentialStore& credentials,
                                      EventLogger& logger, const QString& address, const QString& family);
