#include "router/unifi/UniFiAccessPointPath.h"

#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/DiagnosticDump.h"
#include "router/unifi/AccessPointCommands.h"
#include "router/unifi/HostapdStation.h"

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

UniFiAccessPointPath::UniFiAccessPointPath(QObject& context, RouterAccess& access, TimeSource now)
    : context(context)
    , access(access)
    , now(std::move(now))
    , firstLink(access, SshTransport::Kind::accessPoint)
    , secondLink(access, SshTransport::Kind::secondAccessPoint) {}

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
    const auto resolved = resolvedAPByMAC.constFind(mac);
    return resolved != resolvedAPByMAC.cend() && linkServing(resolved->ip);
}

bool UniFiAccessPointPath::needsLookUp(const QString& mac, const QString& apMAC) const {
    if (apSSHResolvingMACs.contains(mac))
        return false;
    // A station that roamed is followed to its new access point.
    return !isResolved(mac) || resolvedAPByMAC.value(mac).mac != apMAC.toLower();
}

QString UniFiAccessPointPath::accessPointName(const QString& apMAC) const {
    return accessPointNameByMAC.value(apMAC.toLower());
}

AccessPointAddress UniFiAccessPointPath::addressToContact(const QJsonArray& devices, const QString& apMAC) {
    AccessPointAddress address = uniFiAccessPointAddress(devices, apMAC);
    // The device password must not go wherever a controller points: only to
    // an access point in the studio, on a network this computer is on.
    if (address.ip && !access.isOnLocalSubnet(*address.ip))
        address.refusal = QStringLiteral("ap:") + *std::exchange(address.ip, std::nullopt) +
                          QStringLiteral(" not on a local subnet");
    if (address.refusal != std::exchange(loggedRefusal, address.refusal) && !address.refusal.isEmpty())
        access.logger.logError(VtCode::nodeScanFailed, address.refusal);
    return address;
}

void UniFiAccessPointPath::beginLookUp(const QString& mac) {
    apSSHResolvingMACs.insert(mac);
}

void UniFiAccessPointPath::abandonLookUp(const QString& mac) {
    apSSHResolvingMACs.remove(mac);
}

void UniFiAccessPointPath::finishLookUp(const QString& mac, const QString& apMAC,
                                        const AccessPointAddress& address,
                                        const AccessPointSSHCredentials& credentials) {
    const QString ip = address.ip.value_or(QString());
    resolvedAPByMAC.insert(mac, {apMAC.toLower(), ip});
    accessPointNameByMAC.insert(apMAC.toLower(), address.name);
    access.logger.logInfo(VtCode::nodeScanReady, QStringLiteral("ap:") + ip);
    const SshLogin login{credentials.username, ip};
    AccessPointLink* link = linkServing(ip);
    if (!link)
        link = &linkToServe(mac);
    link->serve(login, address.name);
    link->markUsed(now());
    const QString password = credentials.password;
    const quint64 asked = generation;
    const quint64 serving = link->servingNow();
    runInBackground(
        access.pool, &context,
        [link, &logger = access.logger, &current = generation, asked, serving, login, password] {
            const auto stillWanted = [link, &current, asked, serving] {
                return current == asked && link->servingNow() == serving;
            };
            if (!stillWanted() || link->transport.isMasterAlive(login))
                return;
            if (login.user.isEmpty() || password.isEmpty()) {
                logger.logError(VtCode::transportFailed, QStringLiteral("no access-point SSH credentials"));
                return;
            }
            // An access point that refuses us is asked again every few seconds
            // by the look-ups otherwise.
            link->masterStarts.attempt(
                false, [&] { return link->transport.ensureMaster(login, password, stillWanted); });
        },
        [this, mac, asked] {
            if (asked == generation)
                apSSHResolvingMACs.remove(mac);
        });
}

void UniFiAccessPointPath::query(const QString& mac, const AccessPointSSHCredentials& credentials,
                                 RowDone done) {
    AccessPointLink* link = linkServing(resolvedAPByMAC.value(mac).ip);
    if (!link) {
        QMetaObject::invokeMethod(
            &context, [done] { done(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    link->markUsed(now());
    closeIdleLinks();
    const bool canRestart = !credentials.username.isEmpty() && !credentials.password.isEmpty();
    if (link->interfaces)
        return askStation(*link, mac, canRestart, std::move(done));
    // The interfaces are looked for once per access point, and again once the
    // station is on none of them.
    runFor(
        *link, mac, canRestart, {hostapdInterfacesCommand()},
        [this, link, mac, canRestart, done](const QList<RemoteShell::Answer>& answers) {
            link->interfaces = hostapdInterfaces(QString::fromUtf8(answers.constFirst().output));
            askStation(*link, mac, canRestart, done);
        },
        done);
}

// The ping, its pause and hostapd's answer in one write.
void UniFiAccessPointPath::askStation(AccessPointLink& link, const QString& mac, bool canRestart,
                                      RowDone done) {
    QStringList commands;
    if (const std::optional<QString> ping = stationPingCommand(cachedClientIPByMAC.value(mac)))
        commands << *ping << wakeUpPauseCommand;
    const std::optional<QString> station =
        hostapdStationCommand(mac, link.interfaces.value_or(QStringList()));
    if (!station) {
        QMetaObject::invokeMethod(
            &context, [done] { done(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    commands.append(*station);
    runFor(
        link, mac, canRestart, commands,
        [this, link = &link, mac, done](const QList<RemoteShell::Answer>& answers) {
            std::optional<RouterClient> row =
                rowFromOutput(mac, QString::fromUtf8(answers.constLast().output), link->name());
            if (!row)
                link->interfaces.reset();
            done(std::move(row));
        },
        done);
}

void UniFiAccessPointPath::runFor(AccessPointLink& link, const QString& mac, bool canRestart,
                                  const QStringList& commands, Answered answered, RowDone done) {
    const quint64 asked = generation;
    const SshLogin login = link.login();
    const RemoteShell::Completion answer = [this, link = &link, mac, asked, apIP = login.host, canRestart,
                                            answered, done](const RemoteShell::Answers& answers) {
        if (asked != generation || !link->serves(apIP))
            return done(std::nullopt);
        // The pipe's end is how a master that went down shows itself here: as
        // with a probe that finds it down, a fresh look-up brings it back (and
        // finds a station that has roamed meanwhile).
        if (!answers) {
            if (canRestart)
                resolvedAPByMAC.remove(mac);
            return done(std::nullopt);
        }
        answered(*answers);
    };
    RemoteShell& shell = link.shells.pick(login);
    if (shell.isRunningFor(login))
        return shell.run(commands, answer);
    if (shell.isPaused()) {
        QMetaObject::invokeMethod(
            &context, [done] { done(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    runInBackground(
        access.pool, &context, [link = &link, login] { return link->transport.isMasterAlive(login); },
        [link = &link, login, commands, answer](bool masterUp) {
            if (!masterUp)
                return answer(std::nullopt);
            RemoteShell& chosen = link->shells.pick(login);
            if (!chosen.isRunningFor(login))
                chosen.start(login);
            chosen.run(commands, answer);
        });
}

AccessPointLink* UniFiAccessPointPath::linkServing(const QString& ip) {
    for (AccessPointLink* link : links)
        if (link->serves(ip))
            return link;
    return nullptr;
}

const AccessPointLink* UniFiAccessPointPath::linkServing(const QString& ip) const {
    for (const AccessPointLink* link : links)
        if (link->serves(ip))
            return link;
    return nullptr;
}

AccessPointLink& UniFiAccessPointPath::linkToServe(const QString& mac) {
    const auto othersOn = [this, &mac](const AccessPointLink* link) {
        for (auto resolved = resolvedAPByMAC.cbegin(); resolved != resolvedAPByMAC.cend(); ++resolved)
            if (resolved.key() != mac && link->serves(resolved->ip))
                return true;
        return false;
    };
    for (AccessPointLink* link : links)
        if (link->login().host.isEmpty())
            return *link;
    for (AccessPointLink* link : links)
        if (!othersOn(link))
            return *link;
    return firstLink.lastUsedAt() <= secondLink.lastUsedAt() ? firstLink : secondLink;
}

void UniFiAccessPointPath::closeIdleLinks() {
    const AccessPointLink::Clock::time_point time = now();
    for (AccessPointLink* link : links)
        if (!link->login().host.isEmpty() && time - link->lastUsedAt() >= idleMasterLifetime)
            link->close();
}

void UniFiAccessPointPath::reset() {
    ++generation;
    for (AccessPointLink* link : links)
        link->close();
    resolvedAPByMAC.clear();
    accessPointNameByMAC.clear();
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

std::optional<RouterClient> UniFiAccessPointPath::rowFromOutput(const QString& mac, const QString& output,
                                                                const QString& accessPoint) {
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
    RouterClient row = accessPointRow(mac, *station, factsFor(mac));
    row.accessPoint = accessPoint;
    return row;
}
