#include "app/ConnectedRouter.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/SessionLog.h"
#include "router/RouterConnector.h"
#include "router/RouterFamily.h"
#include "router/RouterService.h"
#include "router/identity/RouterIdentityStore.h"

#include <QPointer>

namespace ConnectedRouter {

namespace {

const QString labelSeparator = QStringLiteral(" \u2014 ");

// The part of the gateway's picker label after the address ("Studio UDM").
QString gatewayLabel(RouterService& router, const QString& routerIP) {
    for (const GatewayOption& option : router.gatewayOptions()) {
        if (option.ip != routerIP)
            continue;
        const qsizetype separator = option.label.indexOf(labelSeparator);
        return separator >= 0 ? option.label.mid(separator + labelSeparator.size()) : QString();
    }
    return QString();
}

} // namespace

void learnAfterLogin(SettingsStore& settings, RouterConnector& connector, RouterService& router,
                     SessionLog& sessionLog, QObject* context, std::function<void()> modelStored) {
    connector.fetchModelName([&settings, &router, &sessionLog, guard = QPointer(context),
                              modelStored = std::move(modelStored)](const std::optional<QString>& answer) {
        if (!guard)
            return;
        const QString modelName = answer.value_or(QString());
        settings.writeString(SettingsKey::detectedModelName, modelName);
        const QString routerIP = settings.readString(SettingsKey::routerIP).value_or(QString());
        sessionLog.logRouterConnected(modelName, routerIP, gatewayLabel(router, routerIP));
        if (modelStored)
            modelStored();
    });
    if (settings.readString(SettingsKey::detectedRouterType) == RouterFamily::unifi)
        connector.fetchAPSSHCredentials();
}

bool storeDetectedFamily(SettingsStore& settings, const QString& address, const QString& family) {
    if (settings.readBool(SettingsKey::routerConnected) &&
        settings.readString(SettingsKey::routerIP).value_or(QString()).trimmed() == address)
        return false;
    settings.writeString(SettingsKey::detectedRouterType, family);
    return true;
}

std::optional<int> forgetIdentity(SettingsStore& settings, const QString& address) {
    const std::optional<int> forgotten = RouterIdentityStore::beside(settings).forget(address);
    if (!settings.readBool(SettingsKey::routerConnected) &&
        settings.readString(SettingsKey::routerIP).value_or(QString()).trimmed() == address)
        settings.remove(SettingsKey::detectedRouterType);
    return forgotten;
}

} // namespace ConnectedRouter
