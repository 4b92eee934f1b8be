#include "router/unifi/AccessPointLink.h"

#include <QThreadPool>

AccessPointLink::AccessPointLink(RouterAccess& access, SshTransport::Kind kind)
    : transport(kind, access.logger, RouterIdentityStore::beside(access.settings), access.sshChildren,
                access.sshDirectory)
    , shells(access.sshChildren, access.logger, transport)
    , access(access) {}

void AccessPointLink::serve(const SshLogin& login, const QString& name) {
    if (served.host != login.host || served.user != login.user) {
        // One control socket serves one access point; a shell left on the old
        // master would answer for the wrong radio.
        close();
        served = login;
    }
    servedName = name;
}

void AccessPointLink::close() {
    ++serving;
    shells.stop();
    if (!served.host.isEmpty())
        access.pool.start([transport = &transport, login = served] { transport->closeMaster(login); });
    served = {};
    servedName.clear();
    interfaces.reset();
}
