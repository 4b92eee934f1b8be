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
