#pragma once

#include "router/RouterAccess.h"
#include "router/ssh/MasterStartBackoff.h"
#include "router/ssh/RemoteShells.h"
#include "router/ssh/SshTransport.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <optional>

// What is kept for one access point a target hangs on: its ssh master with a
// back-off of its own, the remote shells on that master, the hostapd interfaces
// it named and when a target last asked it. A link serves one access point at
// a time and is given another when a target roams to one no link serves.
//
// Main thread only, but for the transport and the back-off, which the master
// starts use on the pool; they live as long as the link.
class AccessPointLink {
public:
    using Clock = std::chrono::steady_clock;

    AccessPointLink(RouterAccess& access, SshTransport::Kind kind);

    // The access point served, as an ssh login; an empty host when none.
    const SshLogin& login() const { return served; }
    bool serves(const QString& ip) const { return !ip.isEmpty() && served.host == ip; }
    const QString& name() const { return servedName; }

    // Serve `login` (named `name` by the site); the master to the access point
    // served before, if another, is closed in the background.
    void serve(const SshLogin& login, const QString& name);
    // Stops the shells, closes the master in the background and serves nothing.
    void close();

    void markUsed(Clock::time_point now) { lastUsed = now; }
    Clock::time_point lastUsedAt() const { return lastUsed; }

    // Changes whenever the link stops serving an access point: a master start
    // asked for an earlier one must not bring its master up. Read by the
    // starts on their threads.
    quint64 servingNow() const { return serving; }

    // The hostapd interfaces the access point named; none until it has.
    std::optional<QStringList> interfaces;

    SshTransport transport;
    MasterStartBackoff masterStarts;
    RemoteShells shells;

private:
    RouterAccess& access;
    std::atomic<quint64> serving{0};
    SshLogin served;
    QString servedName;
    Clock::time_point lastUsed;
};
