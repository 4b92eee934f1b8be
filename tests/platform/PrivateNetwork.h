#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// Tests that change the network, or rely on nothing else listening, refuse to
// run anywhere but in the private network namespace that
// run-in-private-network.sh makes.
inline bool inPrivateNetworkNamespace() {
    if (qEnvironmentVariable("VELTRANO_PRIVATE_NETWORK") != QStringLiteral("1"))
        return false;
    const QString own = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net"));
    const QString first = QFile::symLinkTarget(QStringLiteral("/proc/1/ns/net"));
    return !own.isEmpty() && own != first;
}
