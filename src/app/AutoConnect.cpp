#include "app/AutoConnect.h"

#include "app/ConnectedRouter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/RouterConnector.h"
#include "router/RouterFamily.h"
#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"

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
    const std::optional<QString> password =
        credentials.readPassword(RouterCredentials::accountFor(routerIP)).value;
    if (!password || password->isEmpty())
        return false;
    connector.connect([self = QPointer(this)](bool success, const std::optional<QString>&) {
        if (self)
            self->connected(success);
    });
    return true;
}

void AutoConnect::connected(bool success) {
    if (!success) {
        settings.writeBool(SettingsKey::routerAutoReconnect, false);
        return;
    }
    settings.writeBool(SettingsKey::routerConnected, true);
    ConnectedRouter::learnAfterLogin(settings, connector, router, sessionLog, this);
}
