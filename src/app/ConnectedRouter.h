#pragma once

#include <QString>
#include <functional>
#include <optional>

class QObject;
class RouterConnector;
class RouterService;
class SessionLog;
class SettingsStore;

namespace ConnectedRouter {

// What every successful login goes on to learn: the model name, stored in
// `detectedModelName` and written to the session log with the gateway's label,
// and for UniFi the access points' SSH login. The model's answer is dropped
// when `context` is gone by then; `modelStored` runs once it is stored, for
// whoever shows it.
void learnAfterLogin(SettingsStore& settings, RouterConnector& connector, RouterService& router,
                     SessionLog& sessionLog, QObject* context, std::function<void()> modelStored = {});

// Stores what detection found at `address` in `detectedRouterType`, unless a
// session for that address is connected: the running adapter follows only a
// user's connect, never a detection run beside it. True when stored.
bool storeDetectedFamily(SettingsStore& settings, const QString& address, const QString& family);

// Forgets what the router at `address` showed at its first login (`trust
// forget`), and, for the configured router, the family detection stored, so
// that the next connect learns both afresh from what answers there now. How
// many identities went, or none when the files could not be rewritten.
std::optional<int> forgetIdentity(SettingsStore& settings, const QString& address);

} // namespace ConnectedRouter
