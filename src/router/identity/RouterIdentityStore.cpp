#include "router/identity/RouterIdentityStore.h"

#include "settings/SettingsStore.h"
#include "router/identity/KnownHostsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

const QString certificatesKey = QStringLiteral("certificates");
const QString hostKeysKey = QStringLiteral("hostKeys");
const QString routersKey = QStringLiteral("routers");
// Present once an unreadable file was moved aside: where it went.
const QString keptAsideKey = QStringLiteral("unreadableFileKeptAside");
// The addresses forgotten since then, which may be first used again.
const QString forgottenKey = QStringLiteral("forgottenSinceUnreadable");

// Pins come from the main thread, host keys from the ssh transports' threads.
std::mutex writeMutex;

bool isListOf(const QJsonValue& list, bool (*isEntry)(const QJsonValue&)) {
    if (list.isUndefined())
        return true;
    const QJsonArray entries = list.toArray();
    return list.isArray() && std::all_of(entries.begin(), entries.end(), isEntry);
}

bool isEntry(const QJsonValue& entry) {
    return entry[QStringLiteral("address")].isString();
}

bool isString(const QJsonValue& value) {
    return value.isString();
}

// A file that parses but has another shape would read as one without pins, and
// every router in it would count as new: it is as unreadable as broken JSON.
std::optional<QJsonObject> parse(const QByteArray& content) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject identities = document.object();
    const QJsonValue keptAside = identities.value(keptAsideKey);
    if (!isListOf(identities.value(certificatesKey), isEntry) ||
        !isListOf(identities.value(hostKeysKey), isEntry) ||
        !isListOf(identities.value(routersKey), isEntry) ||
        !isListOf(identities.value(forgottenKey), isString) ||
        !(keptAside.isUndefined() || keptAside.isString()))
        return std::nullopt;
    return identities;
}

// An absent file holds nothing; none for one that exists and cannot be read.
std::optional<QJsonObject> load(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QJsonObject();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}

bool save(const QString& path, const QJsonObject& identities) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray content = QJsonDocument(identities).toJson(QJsonDocument::Indented);
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The identities for a change, read under the write locks. An unreadable file
// is moved aside as every unreadable file of ours is, and a note in its place
// keeps its routers from counting as new; none when it could not be moved,
// and then nothing may be written over it.
std::optional<QJsonObject> loadForChange(const QString& path) {
    if (std::optional<QJsonObject> identities = load(path))
        return identities;
    const QString stamped = path + QStringLiteral(".unreadable-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A second unreadable file within the second must not fail for want of a name.
    QString aside = stamped;
    for (int twin = 2; QFile::exists(aside); ++twin)
        aside = stamped + QLatin1Char('-') + QString::number(twin);
    if (!QFile::rename(path, aside))
        return std::nullopt;
    const QJsonObject note{{keptAsideKey, aside}};
    if (save(path, note))
        return note;
    // Without the note, the next read would find no file and trust anyone.
    QFile::rename(aside, path);
    return std::nullopt;
}

// Runs `work` with no other writer in between, here or in veltrano-cli.
template <typename Work> auto underWriteLocks(const QString& path, Work work) {
    std::lock_guard lock(writeMutex);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLockFile otherWriters(path + QStringLiteral(".lock"));
    // Without the lock (one left by a crashed process) the write still goes
    // ahead: a change lost to a rare race beats a pin never written.
    otherWriters.tryLock(2000);
    return work();
}

// Reads, changes and writes the file. `change` says how many entries it
// changed; nothing is written when that is none.
template <typename Change> std::optional<int> update(const QString& path, Change change) {
    return underWriteLocks(path, [&]() -> std::optional<int> {
        std::optional<QJsonObject> identities = loadForChange(path);
        if (!identities)
            return std::nullopt;
        const int changed = change(*identities);
        if (changed == 0)
            return 0;
        return save(path, *identities) ? std::optional(changed) : std::nullopt;
    });
}

// The identities for a judgement; an unreadable file reads as the note that
// takes its place, even where it cannot be moved.
QJsonObject current(const QString& path) {
    if (std::optional<QJsonObject> identities = load(path))
        return *identities;
    return underWriteLocks(path, [&] {
        return loadForChange(path).value_or(QJsonObject{{keptAsideKey, path}});
    });
}

bool sameAddress(const QJsonValue& entry, const QString& address) {
    return entry[QStringLiteral("address")].toString().compare(address, Qt::CaseInsensitive) == 0;
}

std::optional<QString> unreadableFileFor(const QJsonObject& identities, const QString& address) {
    if (!identities.contains(keptAsideKey))
        return std::nullopt;
    const QJsonArray forgotten = identities.value(forgottenKey).toArray();
    if (std::any_of(forgotten.begin(), forgotten.end(), [&](const QJsonValue& forgottenAddress) {
            return forgottenAddress.toString().compare(address, Qt::CaseInsensitive) == 0;
        }))
        return std::nullopt;
    return identities.value(keptAsideKey).toString();
}

QJsonObject entry(const QString& address) {
    return {{QStringLiteral("address"), address.toLower()},
            {QStringLiteral("firstSeen"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
}

QJsonObject entry(const QString& address, const QString& fingerprint) {
    QJsonObject made = entry(address);
    made.insert(QStringLiteral("fingerprint"), fingerprint);
    return made;
}

std::optional<QDateTime> firstSeenOf(const QJsonValue& entry) {
    const QDateTime time = QDateTime::fromString(entry[QStringLiteral("firstSeen")].toString(), Qt::ISODate);
    return time.isValid() ? std::optional(time) : std::nullopt;
}

bool hasEntryFor(const QJsonObject& identities, const QString& key, const QString& address,
                 std::optional<int> port = std::nullopt) {
    const QJsonArray entries = identities[key].toArray();
    return std::any_of(entries.begin(), entries.end(), [&](const QJsonValue& entry) {
        return sameAddress(entry, address) && (!port || entry[QStringLiteral("port")].toInt() == *port);
    });
}

void append(QJsonObject& identities, const QString& key, const QJsonObject& entry) {
    QJsonArray entries = identities[key].toArray();
    entries.append(entry);
    identities.insert(key, entries);
}

RouterRecord recordOf(const QJsonValue& entry) {
    RouterRecord record{entry[QStringLiteral("family")].toString(),
                        entry[QStringLiteral("scheme")].toString()};
    if (const QJsonValue alg = entry[QStringLiteral("cryptAlg")]; alg.isDouble())
        record.cryptAlg = alg.toInt();
    if (const QJsonValue method = entry[QStringLiteral("hashMethod")]; method.isString())
        record.hashMethod = method.toString();
    return record;
}

// "https", or "http, alg 1, md5" for a GL.iNet router's login.
QString describe(const RouterRecord& record) {
    QStringList parts{record.scheme};
    if (record.cryptAlg)
        parts.append(QStringLiteral("alg ") + QString::number(*record.cryptAlg));
    if (record.hashMethod)
        parts.append(*record.hashMethod);
    return parts.join(QStringLiteral(", "));
}

} // namespace

RouterIdentityStore::RouterIdentityStore(QString folder)
    : folder(std::move(folder)) {}

RouterIdentityStore RouterIdentityStore::beside(const SettingsStore& settings) {
    return RouterIdentityStore(QFileInfo(settings.filePath()).absolutePath());
}

QString RouterIdentityStore::identitiesPath() const {
    return folder + QStringLiteral("/router-identities.json");
}

QString RouterIdentityStore::knownHostsPath() const {
    return folder + QStringLiteral("/router-known-hosts");
}

bool RouterIdentityStore::prepareKnownHosts() const {
    QDir().mkpath(folder);
    const int fd = ::open(QFile::encodeName(knownHostsPath()).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

RouterIdentityStore::CertificateVerdict
RouterIdentityStore::judgeCertificate(const QString& address, int port, const QString& fingerprint) const {
    const QJsonObject identities = current(identitiesPath());
    bool addressPinned = false;
    bool matchesAnyPin = false;
    for (const QJsonValue& pin : identities[certificatesKey].toArray()) {
        if (!sameAddress(pin, address))
            continue;
        const bool matches = pin[QStringLiteral("fingerprint")].toString() == fingerprint;
        if (pin[QStringLiteral("port")].toInt() == port)
            return matches ? CertificateVerdict::known : CertificateVerdict::changed;
        addressPinned = true;
        matchesAnyPin |= matches;
    }
    if (!addressPinned)
        return unreadableFileFor(identities, address) ? CertificateVerdict::changed
                                                      : CertificateVerdict::firstUse;
    return matchesAnyPin ? CertificateVerdict::known : CertificateVerdict::changed;
}

RouterStanding RouterIdentityStore::standing(const QString& address) const {
    const QJsonObject identities = current(identitiesPath());
    RouterStanding found{std::nullopt, hasEntryFor(identities, certificatesKey, address),
                         unreadableFileFor(identities, address)};
    const QJsonArray records = identities[routersKey].toArray();
    const auto record = std::find_if(records.begin(), records.end(),
                                     [&](const QJsonValue& entry) { return sameAddress(entry, address); });
    if (record != records.end())
        found.record = recordOf(*record);
    return found;
}

bool RouterIdentityStore::keepLogin(const QString& address, const RouterRecord& record,
                                    const std::optional<Certificate>& certificate) {
    // Every login comes here, some once a minute: only the first at an address
    // or port may cost a write.
    const auto keep = [&](QJsonObject& identities) {
        int added = 0;
        if (!hasEntryFor(identities, routersKey, address)) {
            QJsonObject made = entry(address);
            made.insert(QStringLiteral("family"), record.family);
            made.insert(QStringLiteral("scheme"), record.scheme);
            if (record.cryptAlg)
                made.insert(QStringLiteral("cryptAlg"), *record.cryptAlg);
            if (record.hashMethod)
                made.insert(QStringLiteral("hashMethod"), *record.hashMethod);
            append(identities, routersKey, made);
            ++added;
        }
        if (certificate && !hasEntryFor(identities, certificatesKey, address, certificate->port)) {
            QJsonObject pin = entry(address, certificate->fingerprint);
            pin.insert(QStringLiteral("port"), certificate->port);
            append(identities, certificatesKey, pin);
            ++added;
        }
        return added;
    };
    QJsonObject unchanged = current(identitiesPath());
    if (keep(unchanged) == 0)
        return true;
    return update(identitiesPath(), keep).has_value();
}

QStringList RouterIdentityStore::hostKeys(const QString& address) const {
    return KnownHostsFile::fingerprintsFor(knownHostsPath(), address);
}

void RouterIdentityStore::noteNewHostKeys(const QString& address, const QStringList& knownBefore) {
    QStringList added = hostKeys(address);
    added.removeIf([&](const QString& fingerprint) { return knownBefore.contains(fingerprint); });
    if (added.isEmpty())
        return;
    update(identitiesPath(), [&](QJsonObject& identities) {
        for (const QString& fingerprint : added)
            append(identities, hostKeysKey, entry(address, fingerprint));
        return int(added.size());
    });
}

QList<RouterIdentity> RouterIdentityStore::identities() const {
    const QJsonObject stored = current(identitiesPath());
    QList<RouterIdentity> found;
    for (const QJsonValue& pin : stored[certificatesKey].toArray())
        found.append({pin[QStringLiteral("address")].toString(), QStringLiteral("https"),
                      pin[QStringLiteral("port")].toInt(), pin[QStringLiteral("fingerprint")].toString(),
                      firstSeenOf(pin)});
    for (const QJsonValue& router : stored[routersKey].toArray()) {
        const RouterRecord record = recordOf(router);
        found.append({router[QStringLiteral("address")].toString(), record.family, 0, describe(record),
                      firstSeenOf(router)});
    }
    const QJsonArray records = stored[hostKeysKey].toArray();
    for (const KnownHostKey& key : KnownHostsFile::read(knownHostsPath())) {
        const auto record = std::find_if(records.begin(), records.end(), [&](const QJsonValue& record) {
            return sameAddress(record, key.address) &&
                   record[QStringLiteral("fingerprint")].toString() == key.fingerprint;
        });
        found.append({key.address, QStringLiteral("ssh"), key.port, key.fingerprint,
                      record == records.end() ? std::nullopt : firstSeenOf(*record)});
    }
    return found;
}

std::optional<int> RouterIdentityStore::forget(const QString& address) {
    // Host-key records only date the known-hosts lines, which are counted there.
    int counted = 0;
    const std::optional<int> changed = update(identitiesPath(), [&](QJsonObject& identities) {
        int removed = 0;
        for (const QString& key : {certificatesKey, routersKey, hostKeysKey}) {
            QJsonArray kept;
            for (const QJsonValue& entry : identities[key].toArray()) {
                if (!sameAddress(entry, address)) {
                    kept.append(entry);
                    continue;
                }
                ++removed;
                counted += key == hostKeysKey ? 0 : 1;
            }
            identities.insert(key, kept);
        }
        if (unreadableFileFor(identities, address)) {
            QJsonArray forgotten = identities.value(forgottenKey).toArray();
            forgotten.append(address.toLower());
            identities.insert(forgottenKey, forgotten);
            ++removed;
            ++counted;
        }
        return removed;
    });
    const std::optional<int> keyLines = KnownHostsFile::remove(knownHostsPath(), address);
    if (!changed || !keyLines)
        return std::nullopt;
    return counted + *keyLines;
}
