#pragma once

#include <functional>

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

} // namespace ConnectedRouter
