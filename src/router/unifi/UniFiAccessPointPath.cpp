#include "router/unifi/UniFiAccessPointPath.h"

#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/DiagnosticDump.h"
#include "router/unifi/AccessPointCommands.h"
#include "router/unifi/HostapdStation.h"
#include "router/unifi/UniFiAccessPointLookup.h"

#include <utility>

namespace {

// A dozing station answers hostapd with stale figures; the ping wakes it.
const QString wakeUpPauseCommand = QStringLiteral("sleep 0.05");

template <typename Value>
std::optional<Value> cachedValue(const QHash<QString, Value>& cache, const QString& mac) {
    const auto entry = cache.constFind(mac);
    return entry == cache.cend() ? std::nullopt : std::optional<Value>(*entry);
}

template <typename Value>
void keepOrForget(QHash<QString, Value>& cache, const QString& mac, const std::optional<Value>& value) {
    if (value)
        cache.insert(mac, *value);
    else
        cache.remove(mac);
}

} // namespace

UniFiAccessPointPath::UniFiAccessPointPath(QObject& context, RouterAccess& access)
    : context(context)
    , access(access)
    , transport(SshTransport::Kind::accessPoint, access.logger, RouterIdentityStore::beside(access.settings),
                access.sshChildren, access.sshDirectory)
    , shells(access.sshChildren, access.logger, transport) {}

void UniFiAccessPointPath::rememberStationRow(const QString& mac, const RouterClient& row) {
    const CachedStationFacts facts = cachedStationFacts(row);
    cachedClientIPByMAC.insert(mac, facts.ip);
    cachedClientHostnameByMAC.insert(mac, facts.hostname);
    cachedClientBandByMAC.insert(mac, facts.band);
    keepOrForget(cachedClientNSSByMAC, mac, facts.nss);
    keepOrForget(cachedClientWidthMHzByMAC, mac, facts.widthMHz);
    keepOrForget(cachedClientRadioProtoByMAC, mac, facts.radioProto);
}

bool UniFiAccessPointPath::isResolved(const QString& mac) const {
    const std::optional<QString> ip = cachedValue(resolvedAPIPByMAC, mac);
    return ip && !uniFiAPIP.isEmpty() && *ip == uniFiAPIP;
}

bool UniFiAccessPointPath::needsLookUp(const QString& mac) const {
    return !resolvedAPIPByMAC.contains(mac) && !apSSHResolvingMACs.contains(mac);
}

std::optional<QString> UniFiAccessPointPath::addressToContact(const QJsonArray& devices,
                                                              const QString& apMAC) {
    const AccessPointAddress address = uniFiAccessPointAddress(devices, apMAC);
    QString refusal = address.refusal;
    // The device password must not go wherever a controller points: only to
    // an access point in the studio, on a network this computer is on.
    if (address.ip && !access.isOnLocalSubnet(*address.ip))
        refusal = QStringLiteral("ap:") + *address.ip + QStringLiteral(" not on a local subnet");
    if (refusal != std::exchange(loggedRefusal, refusal) && !refusal.isEmpty())
        access.logger.logError(VtCode::nodeScanFailed, refusal);
    return refusal.isEmpty() ? address.ip : std::nullopt;
}

void UniFiAccessPointPath::beginLookUp(const QString& mac) {
    apSSHResolvingMACs.insert(mac);
}

void UniFiAccessPointPath::abandonLookUp(const QString& mac) {
    apSSHResolvingMACs.remove(mac);
}

void UniFiAccessPointPath::finishLookUp(const QString& mac, const QString& ip,
                                        const AccessPointSSHCredentials& credentials) {
    resolvedAPIPByMAC.insert(mac, ip);
    access.logger.logInfo(VtCode::nodeScanReady, QStringLiteral("ap:") + ip);
    // One control socket serves one access point; a master to another one
    // would answer for the wrong radio.
    std::optional<SshLogin> previous;
    if (uniFiAPIP != ip) {
        if (!uniFiAPIP.isEmpty())
            previous = SshLogin{credentials.username, uniFiAPIP};
        uniFiAPIP = ip;
    }
    const SshLogin login{credentials.username, ip};
    const QString password = credentials.password;
    const quint64 asked = generation;
    runInBackground(
        access.pool, &context,
        [transport = &transport, &masterStarts = masterStarts, &logger = access.logger, &current = generation,
         asked, previous, login, password] {
            if (previous)
                transport->closeMaster(*previous);
            if (transport->isMasterAlive(login))
                return;
            if (login.user.isEmpty() || password.isEmpty()) {
                logger.logError(VtCode::transportFailed, QStringLiteral("no access-point SSH credentials"));
                return;
            }
            // An access point that refuses us is asked again every few seconds
            // by the look-ups otherwise.
            masterStarts.attempt(false, [&] {
                return transport->ensureMaster(login, password,
                                               [&current, asked] { return current == asked; });
            });
        },
        [this, mac, asked] {
            if (asked == generation)
                apSSHResolvingMACs.remove(mac);
        });
}

// The ping, its pause and hostapd's answer in one write. The shell is started
// once the master is known to be up.
void UniFiAccessPointPath::query(const QString& mac, const AccessPointSSHCredentials& credentials,
                                 RowDone done) {
    const SshLogin login{credentials.username, uniFiAPIP};
    const bool canRestart = !credentials.username.isEmpty() && !credentials.password.isEmpty();
    QStringList commands;
    if (const std::optional<QString> ping = stationPingCommand(cachedClientIPByMAC.value(mac)))
        commands << *ping << wakeUpPauseCommand;
    // The interfaces are looked for once per access point, in the same write
    // as the first question, and again once the station is on none of them.
    const QString apIP = uniFiAPIP;
    const QStringList interfaces = interfacesByAP.value(apIP);
    const bool discovers = interfaces.isEmpty();
    if (discovers)
        commands << hostapdInterfacesCommand();
    const std::optional<QString> station = hostapdStationCommand(mac, interfaces);
    if (station)
        commands.append(*station);
    const quint64 asked = generation;
    // The pipe's end is how a master that went down shows itself here: as with
    // a probe that finds it down, a fresh look-up brings it back (and finds a
    // station that has roamed meanwhile).
    const auto masterLost = [this, mac, canRestart] {
        if (canRestart)
            resolvedAPIPByMAC.remove(mac);
    };
    const auto answer = [this, mac, asked, masterLost, apIP, discovers, hasStation = station.has_value(),
                         done](const RemoteShell::Answers& answers) {
        if (asked != generation)
            return done(std::nullopt);
        if (!answers) {
            masterLost();
            return done(std::nullopt);
        }
        if (discovers && hasStation && answers->size() >= 2)
            interfacesByAP.insert(
                apIP, hostapdInterfaces(QString::fromUtf8(answers->at(answers->size() - 2).output)));
        std::optional<RouterClient> row =
            rowFromOutput(mac, hasStation ? QString::fromUtf8(answers->constLast().output) : QString());
        if (!row)
            interfacesByAP.remove(apIP);
        done(std::move(row));
    };
    RemoteShell& shell = shells.pick(login);
    if (shell.isRunningFor(login)) {
        shell.run(commands, answer);
        return;
    }
    if (shell.isPaused()) {
        QMetaObject::invokeMethod(
            &context, [done] { done(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    runInBackground(
        access.pool, &context, [transport = &transport, login] { return transport->isMasterAlive(login); },
        [this, login, commands, asked, masterLost, answer, done](bool masterUp) {
            if (asked != generation)
                return done(std::nullopt);
            if (!masterUp) {
                masterLost();
                return done(std::nullopt);
            }
            RemoteShell& chosen = shells.pick(login);
            if (!chosen.isRunningFor(login))
                chosen.start(login);
            chosen.run(commands, answer);
        });
}

void UniFiAccessPointPath::reset(const QString& sshUsername) {
    ++generation;
    shells.stop();
    access.pool.start([transport = &transport, login = SshLogin{sshUsername, uniFiAPIP}] {
        transport->closeMaster(login);
    });
    uniFiAPIP.clear();
    interfacesByAP.clear();
    resolvedAPIPByMAC.clear();
    apSSHResolvingMACs.clear();
    cachedClientIPByMAC.clear();
    cachedClientHostnameByMAC.clear();
    cachedClientBandByMAC.clear();
    cachedClientNSSByMAC.clear();
    cachedClientWidthMHzByMAC.clear();
    cachedClientRadioProtoByMAC.clear();
    hasLoggedAPSSHDump = false;
    loggedRefusal.clear();
}

CachedStationFacts UniFiAccessPointPath::factsFor(const QString& mac) const {
    return {cachedClientIPByMAC.value(mac),
            cachedClientHostnameByMAC.value(mac),
            cachedClientBandByMAC.value(mac),
            cachedValue(cachedClientNSSByMAC, mac),
            cachedValue(cachedClientWidthMHzByMAC, mac),
            cachedValue(cachedClientRadioProtoByMAC, mac)};
}

std::optional<RouterClient> UniFiAccessPointPath::rowFromOutput(const QString& mac, const QString& output) {
    const QString answer = output.trimmed();
    if (answer.isEmpty()) {
        access.logger.logDebug(VtCode::targetAbsent, mac);
        return std::nullopt;
    }
    const std::optional<HostapdStation> station = hostapdStation(answer, mac);
    if (!station) {
        access.logger.logDebug(VtCode::targetAbsent, mac);
        return std::nullopt;
    }
    // Only an answer that held the station: the lists printed when it is on no
    // interface are other people's devices.
    if (!hasLoggedAPSSHDump) {
        hasLoggedAPSSHDump = true;
        writeDiagnosticDump(access.logger, QStringLiteral("[DIAG] UniFi hostapd_cli sta output:\n") + answer);
    }
    return accessPointRow(mac, *station, factsFor(mac));
}
