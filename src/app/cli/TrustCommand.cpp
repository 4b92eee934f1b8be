#include "app/cli/TrustCommand.h"

#include "app/ConnectedRouter.h"
#include "router/identity/RouterIdentityStore.h"

namespace {

constexpr char usage[] = "usage: veltrano-cli trust list | forget ADDRESS\n";

// "https :443"; "ssh" alone on its usual port, a family alone.
QString kindText(const RouterIdentity& identity) {
    if ((identity.kind == QStringLiteral("ssh") && identity.port == 22) || identity.port == 0)
        return identity.kind;
    return identity.kind + QStringLiteral(" :") + QString::number(identity.port);
}

int list(const RouterIdentityStore& identities, QTextStream& out) {
    const QList<RouterIdentity> found = identities.identities();
    if (found.isEmpty()) {
        out << "No router identities are recorded.\n";
        return 0;
    }
    out << QStringLiteral("ADDRESS").leftJustified(16) << QStringLiteral("KIND").leftJustified(12)
        << "FINGERPRINT  FIRST SEEN\n";
    for (const RouterIdentity& identity : found)
        out << identity.address.leftJustified(15) << ' ' << kindText(identity).leftJustified(11) << ' '
            << identity.fingerprint << "  "
            << (identity.firstSeen ? identity.firstSeen->toString(Qt::ISODate) : QStringLiteral("unknown"))
            << '\n';
    return 0;
}

int forget(const QString& address, SettingsStore& settings, QTextStream& out, QTextStream& err) {
    const std::optional<int> forgotten = ConnectedRouter::forgetIdentity(settings, address);
    if (!forgotten) {
        err << "veltrano-cli trust forget: the identity files could not be rewritten\n";
        return 1;
    }
    if (*forgotten == 0)
        out << "No identity was recorded for " << address << ".\n";
    else
        out << "Forgot " << *forgotten << (*forgotten == 1 ? " identity" : " identities") << " of " << address
            << "; the next connection trusts what the router presents.\n";
    return 0;
}

} // namespace

int runTrustCommand(const QStringList& args, SettingsStore& settings, QTextStream& out, QTextStream& err) {
    if (args == QStringList{QStringLiteral("list")})
        return list(RouterIdentityStore::beside(settings), out);
    if (args.size() == 2 && args.first() == QStringLiteral("forget") && !args[1].trimmed().isEmpty())
        return forget(args[1].trimmed(), settings, out, err);
    err << usage;
    return 2;
}
