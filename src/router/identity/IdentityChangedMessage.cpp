#include "router/identity/IdentityChangedMessage.h"

namespace {

QString changedMessage(const QString& address, const QString& identity) {
    return QStringLiteral(
               "The router at %1 presented a different %2 than before. If you replaced or reset the "
               "router, forget its identity and connect again.")
        .arg(address, identity);
}

} // namespace

QString certificateChangedMessage(const QString& address) {
    return changedMessage(address, QStringLiteral("certificate"));
}

QString hostKeyChangedMessage(const QString& address) {
    return changedMessage(address, QStringLiteral("host key"));
}

QString familyChangedMessage(const QString& address) {
    return QStringLiteral(
               "The router at %1 answers as another kind of router than before. If you replaced or "
               "reset the router, forget its identity and connect again.")
        .arg(address);
}

QString identitiesUnreadableMessage(const QString& file) {
    return QStringLiteral("Router identities could not be read \u2014 see ") + file;
}

QString identitiesUnsavedMessage(const QString& file) {
    return QStringLiteral("Router identities could not be saved \u2014 see ") + file;
}

bool isIdentityRefusal(const QString& message, const QString& address) {
    return message == certificateChangedMessage(address) || message == hostKeyChangedMessage(address) ||
           message == familyChangedMessage(address) ||
           message.startsWith(identitiesUnreadableMessage(QString()));
}
