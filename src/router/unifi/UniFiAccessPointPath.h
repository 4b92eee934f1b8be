#pragma once

#include "router/RouterAccess.h"
#include "router/RouterClient.h"
#include "router/ssh/MasterStartBackoff.h"
#include "router/ssh/RemoteShells.h"
#include "router/ssh/SshTransport.h"
#include "router/unifi/AccessPointRow.h"
#include "router/unifi/AccessPointSSHCredentials.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

// The target's radio figures straight from the access point it hangs on: one ssh
// master to that access point, hostapd's entry for the station, and what hostapd
// cannot tell kept from the station's last controller row. Every map is keyed by
// the lower-cased station MAC.
//
// Lives on the main thread with its adapter, which is the context of all its
// background work; its fields are touched only there. The controller requests
// of a look-up are the adapter's; this class takes over once the access point's
// address is known.
class UniFiAccessPointPath {
public:
    using RowDone = std::function<void(std::optional<RouterClient>)>;

    UniFiAccessPointPath(QObject& context, RouterAccess& access);

    // Keeps the station's address, name, band and PHY details from its row.
    void rememberStationRow(const QString& mac, const RouterClient& row);

    // The station's access point is known and the master is meant for it.
    bool isResolved(const QString& mac) const;
    // Neither known nor being looked up now.
    bool needsLookUp(const QString& mac) const;

    // The address the controller gives for the access point `apMAC` in a
    // /stat/device list, if it may be contacted: an adopted device's plain
    // IPv4 address on one of this computer's subnets. Anything else is logged,
    // once until the reason changes: every poll looks the station up again.
    std::optional<QString> addressToContact(const QJsonArray& devices, const QString& apMAC);

    void beginLookUp(const QString& mac);
    void abandonLookUp(const QString& mac);
    // The controller named the access point's address: remember it, move the
    // master there and bring it up. The look-up ends when the master has come up
    // or failed to, so one MAC never has two starts queued.
    void finishLookUp(const QString& mac, const QString& ip, const AccessPointSSHCredentials& credentials);

    // hostapd's entry for a resolved station as a row; none when the access point
    // gave nothing usable. Its counters are 0 when hostapd has none.
    void query(const QString& mac, const AccessPointSSHCredentials& credentials, RowDone done);

    // Forgets every cache, look-up and the dump flag and closes the master.
    // Answers still on their way are dropped.
    void reset(const QString& sshUsername);

private:
    CachedStationFacts factsFor(const QString& mac) const;
    std::optional<RouterClient> rowFromOutput(const QString& mac, const QString& output);

    QObject& context;
    RouterAccess& access;
    SshTransport transport;
    MasterStartBackoff masterStarts;
    // Main thread only; follow the master from one access point to the next.
    RemoteShells shells;
    // Bumped by reset, so that answers of an older session change nothing and
    // its master starts, still queued, bring up no master after it. Read by
    // those starts on their own threads.
    std::atomic<quint64> generation{0};

    QString uniFiAPIP;
    // The hostapd interfaces each access point named; none until it has.
    QHash<QString, QStringList> interfacesByAP;
    QHash<QString, QString> resolvedAPIPByMAC;
    QSet<QString> apSSHResolvingMACs;
    QHash<QString, QString> cachedClientIPByMAC;
    QHash<QString, QString> cachedClientHostnameByMAC;
    QHash<QString, QString> cachedClientBandByMAC;
    QHash<QString, int> cachedClientNSSByMAC;
    QHash<QString, int> cachedClientWidthMHzByMAC;
    QHash<QString, QString> cachedClientRadioProtoByMAC;
    bool hasLoggedAPSSHDump = false;
    QString loggedRefusal;
};
