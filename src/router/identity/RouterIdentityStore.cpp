#include "router/identity/RouterIdentityStore.h"

#include "app/SettingsStore.h"
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

// Pins come from the main thread, host keys from the ssh transports' threads.
std::mutex writeMutex;

QJsonObject load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
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

// Reads, changes and writes the file with no other writer in between, here or
// in veltrano-cli. `change` says how many entries it changed; nothing is
// written when that is none.
template <typename Change> std::optional<int> update(const QString& path, Change change) {
    std::lock_guard lock(writeMutex);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLockFile otherWriters(path + QStringLiteral(".lock"));
    // Without the lock (one left by a crashed process) the write still goes
    // ahead: a change lost to a rare race beats a pin never written.
    otherWriters.tryLock(2000);
    QJsonObject identities = load(path);
    const int changed = change(identities);
    if (changed == 0)
        return 0;
    return save(path, identities) ? std::optional(changed) : std::nullopt;
}

bool sameAddress(const QJsonValue& entry, const QString& address) {
    return entry[QStringLiteral("address")].toString().compare(address, Qt::CaseInsensitive) == 0;
}

QJsonObject entry(const QString& address, const QString& fingerprint) {
    return {{QStringLiteral("address"), address.toLower()},
            {QStringLiteral("fingerprint"), fingerprint},
            {QStringLiteral("firstSeen"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
}

std::optional<QDateTime> firstSeenOf(const QJsonValue& entry) {
    const QDateTime time = QDateTime::fromString(entry[QStringLiteral("firstSeen")].toString(), Qt::ISODate);
    return time.isValid() ? std::optional(time) : std::nullopt;
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
    bool addressPinned = false;
    bool matchesAnyPin = false;
    for (const QJsonValue& pin : load(identitiesPath())[certificatesKey].toArray()) {
        if (!sameAddress(pin, address))
            continue;
        const bool matches = pin[QStringLiteral("fingerprint")].toString() == fingerprint;
        if (pin[QStringLiteral("port")].toInt() == port)
            return matches ? CertificateVerdict::known : CertificateVerdict::changed;
        addressPinned = true;
        matchesAnyPin |= matches;
    }
    if (!addressPinned)
        return CertificateVerdict::firstUse;
    return matchesAnyPin ? CertificateVerdict::known : CertificateVerdict::changed;
}

void RouterIdentityStore::pinCertificate(const QString& address, int port, const QString& fingerprint) {
    const auto pinnedThere = [&](const QJsonObject& identities) {
        const QJsonArray pins = identities[certificatesKey].toArray();
        return std::any_of(pins.begin(), pins.end(), [&](const QJsonValue& pin) {
            return sameAddress(pin, address) && pin[QStringLiteral("port")].toInt() == port;
        });
    };
    // Peplink logs in at every poll: only the first login at a port may cost a write.
    if (pinnedThere(load(identitiesPath())))
        return;
    update(identitiesPath(), [&](QJsonObject& identities) {
        if (pinnedThere(identities))
            return 0;
        QJsonObject pin = entry(address, fingerprint);
        pin.insert(QStringLiteral("port"), port);
        QJsonArray pins = identities[certificatesKey].toArray();
        pins.append(pin);
        identities.insert(certificatesKey, pins);
        return 1;
    });
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
        QJsonArray records = identities[hostKeysKey].toArray();
        for (const QString& fingerprint : added)
            records.append(entry(address, fingerprint));
        identities.insert(hostKeysKey, records);
        return int(added.size());
    });
}

QList<RouterIdentity> RouterIdentityStore::identities() const {
    const QJsonObject stored = load(identitiesPath());
    QList<RouterIdentity> found;
    for (const QJsonValue& pin : stored[certificatesKey].toArray())
        found.append({pin[QStringLiteral("address")].toString(), QStringLiteral("https"),
                      pin[QStringLiteral("port")].toInt(), pin[QStringLiteral("fingerprint")].toString(),
                      firstSeenOf(pin)});
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
    int pins = 0;
    const std::optional<int> changed = update(identitiesPath(), [&](QJsonObject& identities) {
        int removed = 0;
        for (const QString& key : {certificatesKey, hostKeysKey}) {
            QJsonArray kept;
            for (const QJsonValue& entry : identities[key].toArray()) {
                if (!sameAddress(entry, address)) {
                    kept.append(entry);
                    continue;
                }
                ++removed;
                pins += key == certificatesKey ? 1 : 0;
            }
            identities.insert(key, kept);
        }
        return removed;
    });
    const std::optional<int> keyLines = KnownHostsFile::remove(knownHostsPath(), address);
    if (!changed || !keyLines)
        return std::nullopt;
    return pins + *keyLines;
}
