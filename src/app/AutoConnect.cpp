#include "app/AutoConnect.h"

#include "app/ConnectedRouter.h"
#include "router/BackgroundTask.h"
#include "router/RouterConnector.h"
#include "router/RouterFamily.h"
#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QPointer>

AutoConnect::AutoConnect(SettingsStore& settings, CredentialStore& credentials, RouterConnector& connector,
                         RouterService& router, SessionLog& sessionLog, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , credentials(credentials)
    , connector(connector)
    , router(router)
    , sessionLog(sessionLog) {}

bool AutoConnect::start() {
    const QString mode = settings.readString(SettingsKey::monitoringMode).value_or(QStringLiteral("router"));
    const bool allowed = !settings.readObject(SettingsKey::routerAutoConnectEnabled) ||
                         settings.readBool(SettingsKey::routerAutoConnectEnabled);
    if (!allowed || !settings.readBool(SettingsKey::routerAutoReconnect) || mode != QStringLiteral("router"))
        return false;
    const QString routerIP = settings.readString(SettingsKey::routerIP).value_or(QString());
    const QString family = settings.readString(SettingsKey::detectedRouterType).value_or(QString());
    if (routerIP.isEmpty() ||
        !QStringList{RouterFamily::glinet, RouterFamily::unifi, RouterFamily::peplink}.contains(family))
        return false;
    runInBackground(
        keyringPool, this,
        [&store = credentials, account = RouterCredentials::accountFor(routerIP)] {
            return store.readPassword(account).value;
        },
        [this, routerIP](const std::optional<QString>& password) { passwordRead(routerIP, password); });
    return true;
}

bool AutoConnect::endBackgroundWork(std::chrono::milliseconds deadline) {
    return keyringPool.waitForDone(static_cast<int>(deadline.count()));
}

void AutoConnect::passwordRead(const QString& routerIP, const std::optional<QString>& password) {
    // The user may have moved to another router in the settings window meanwhile.
    if (cancelled || !password || password->isEmpty() ||
        settings.readString(SettingsKey::routerIP) != routerIP)
        return;
    connector.connect([self = QPointer(this)](bool success, const std::optional<QString>&) {
        if (self)
            self->connected(success);
    });
}

void AutoConnect::connected(bool success) {
    if (cancelled)
        return;
    if (!success) {
        settings.writeBool(SettingsKey::routerAutoReconnect, false);
        return;
    }
    settings.writeBool(SettingsKey::routerConnected, true);
    ConnectedRouter::learnAfterLogin(settings, connector, router, sessionLog, this);
}
