#pragma once

#include "router/RouterAccess.h"
#include "router/RouterClient.h"
#include "router/ssh/RemoteShell.h"
#include "router/unifi/AccessPointLink.h"
#include "router/unifi/AccessPointRow.h"
#include "router/unifi/AccessPointSSHCredentials.h"
#include "router/unifi/UniFiAccessPointLookup.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

// The targets' radio figures straight from the access points they hang on: an
// ssh master to each access point in use (two targets, at most two), hostapd's
// entry for the station, and what hostapd cannot tell kept from the station's
// last controller row. Every map is keyed by the lower-cased station MAC.
//
// Lives on the main thread with its adapter, which is the context of all its
// background work; its fields are touched only there. The controller requests
// of a look-up are the adapter's; this class takes over once the access point's
// address is known.
class UniFiAccessPointPath {
public:
    using RowDone = std::function<void(std::optional<RouterClient>)>;
    using TimeSource = std::function<AccessPointLink::Clock::time_point()>;

    // A master no target has asked for this long is closed.
    static constexpr std::chrono::minutes idleMasterLifetime{1};

    UniFiAccessPointPath(QObject& context, RouterAccess& access,
                         TimeSource now = AccessPointLink::Clock::now);

    // Keeps the station's address, name, band and PHY details from its row.
    void rememberStationRow(const QString& mac, const RouterClient& row);

    // The station's access point is known and a master is meant for it.
    bool isResolved(const QString& mac) const;
    // The station, which the controller lists on the access point `apMAC`, is
    // neither followed there nor being looked up now.
    bool needsLookUp(const QString& mac, const QString& apMAC) const;
    bool isLookingUp(const QString& mac) const { return apSSHResolvingMACs.contains(mac); }
    // The site's name of the access point `apMAC`, once a look-up has read it.
    QString accessPointName(const QString& apMAC) const;

    // The access point `apMAC` in a /stat/device list, with its address set
    // only if it may be contacted: an adopted device's plain IPv4 address on
    // one of this computer's subnets. Anything else is logged, once until the
    // reason changes: every poll looks the station up again.
    AccessPointAddress addressToContact(const QJsonArray& devices, const QString& apMAC);

    void beginLookUp(const QString& mac);
    void abandonLookUp(const QString& mac);
    // The controller named the access point's address: remember it, give it a
    // master of its own and bring that up. The look-up ends when the master has
    // come up or failed to, so one MAC never has two starts queued.
    void finishLookUp(const QString& mac, const QString& apMAC, const AccessPointAddress& address,
                      const AccessPointSSHCredentials& credentials);

    // hostapd's entry for a resolved station as a row; none when the access point
    // gave nothing usable. Its counters are 0 when hostapd has none.
    void query(const QString& mac, const AccessPointSSHCredentials& credentials, RowDone done);

    // Forgets every cache, look-up and the dump flag and closes the masters.
    // Answers still on their way are dropped.
    void reset();

private:
    struct ResolvedAccessPoint {
        QString mac;
        QString ip;
    };

    AccessPointLink* linkServing(const QString& ip);
    const AccessPointLink* linkServing(const QString& ip) const;
    // The link for a new access point of `mac`: one serving nothing, else one
    // whose access point no other target is on, else the one asked longest ago.
    AccessPointLink& linkToServe(const QString& mac);
    void closeIdleLinks();
    using Answered = std::function<void(const QList<RemoteShell::Answer>&)>;
    // Runs `commands` for `mac` on a shell on the link's master, started once
    // the master is known to be up, and hands a whole answer to `answered`.
    // Anything else ends in `done` with none: an answer of an older session or
    // from an access point the link no longer serves, shells held back, or a
    // shell or master that went down (the station is then looked up again).
    void runFor(AccessPointLink& link, const QString& mac, bool canRestart, const QStringList& commands,
                Answered answered, RowDone done);
    void askStation(AccessPointLink& link, const QString& mac, bool canRestart, RowDone done);
    CachedStationFacts factsFor(const QString& mac) const;
    std::optional<RouterClient> rowFromOutput(const QString& mac, const QString& output,
                                              const QString& accessPoint);

    QObject& context;
    RouterAccess& access;
    const TimeSource now;
    AccessPointLink firstLink;
    AccessPointLink secondLink;
    std::array<AccessPointLink*, 2> links{&firstLink, &secondLink};
    // Bumped by reset, so that answers of an older session change nothing and
    // its master starts, still queued, bring up no master after it. Read by
    // those starts on their own threads.
    std::atomic<quint64> generation{0};

    QHash<QString, ResolvedAccessPoint> resolvedAPByMAC;
    // Keyed by the access point's lower-cased MAC.
    QHash<QString, QString> accessPointNameByMAC;
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
