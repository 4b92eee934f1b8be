#include "router/identity/RouterLoginClearance.h"

#include "logs/EventLogger.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterIdentityStore.h"

RouterPasswordLookup clearRouterLogin(const RouterIdentityStore& identities, CredentialStore& credentials,
                                      EventLogger& logger, const QString& address, const QString& family) {
    const RouterStanding standing = identities.standing(address);
    if (standing.record && standing.record->family != family) {
        logger.logError(
            VtCode::authRejected,
            QStringLiteral("family-changed %1 %2 was %3").arg(address, family, standing.record->family));
        return {std::nullopt, familyChangedMessage(address), true};
    }
    if (!standing.record && standing.unreadableFile) {
        logger.logError(VtCode::authRejected,
                        QStringLiteral("identities-unreadable ") + *standing.unreadableFile);
        return {std::nullopt, identitiesUnreadableMessage(*standing.unreadableFile), true};
    }
    return lookUpRouterPassword(credentials, address);
}
