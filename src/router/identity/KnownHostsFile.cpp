#include "router/identity/KnownHostsFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <optional>

namespace {

struct HostLine {
    QList<QPair<QString, int>> hosts;
    QString fingerprint;
};

// "address" for port 22, "[address]:port" for any other, as ssh writes them.
QPair<QString, int> hostOf(const QString& pattern) {
    if (!pattern.startsWith(QLatin1Char('[')))
        return {pattern.toLower(), 22};
    const qsizetype close = pattern.indexOf(QStringLiteral("]:"));
    if (close < 0)
        return {pattern.toLower(), 22};
    return {pattern.mid(1, close - 1).toLower(), pattern.mid(close + 2).toInt()};
}

std::optional<HostLine> parse(const QByteArray& line) {
    QList<QByteArray> fields = line.simplified().split(' ');
    // Comments, markers (@cert-authority, @revoked) and hashed names name no
    // router we can list; such lines are left as they are.
    if (fields.size() < 3 || fields.first().startsWith('#') || fields.first().startsWith('@') ||
        fields.first().startsWith('|'))
        return std::nullopt;
    const QByteArray key = QByteArray::fromBase64(fields[2]);
    if (key.isEmpty())
        return std::nullopt;
    HostLine parsed;
    for (const QByteArray& pattern : fields.first().split(','))
        parsed.hosts.append(hostOf(QString::fromUtf8(pattern)));
    parsed.fingerprint =
        QStringLiteral("SHA256:") +
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256)
                                .toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
    return parsed;
}

bool names(const HostLine& line, const QString& address) {
    const QString wanted = address.toLower();
    return std::any_of(line.hosts.cbegin(), line.hosts.cend(),
                       [&](const QPair<QString, int>& host) { return host.first == wanted; });
}

QList<QByteArray> linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\n');
}

} // namespace

QList<KnownHostKey> KnownHostsFile::read(const QString& path) {
    QList<KnownHostKey> keys;
    for (const QByteArray& line : linesOf(path))
        if (const std::optional<HostLine> parsed = parse(line))
            for (const auto& [address, port] : parsed->hosts)
                keys.append({address, port, parsed->fingerprint});
    return keys;
}

QStringList KnownHostsFile::fingerprintsFor(const QString& path, const QString& address) {
    QStringList fingerprints;
    for (const KnownHostKey& key : read(path))
        if (key.address == address.toLower())
            fingerprints.append(key.fingerprint);
    return fingerprints;
}

std::optional<int> KnownHostsFile::remove(const QString& path, const QString& address) {
    if (!QFile::exists(path))
        return 0;
    QByteArray kept;
    int removed = 0;
    for (const QByteArray& line : linesOf(path)) {
        const std::optional<HostLine> parsed = parse(line);
        if (parsed && names(*parsed, address))
            ++removed;
        else if (!line.isEmpty())
            kept += line + '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return std::nullopt;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(kept) != kept.size()) {
        file.cancelWriting();
        return std::nullopt;
    }
    return file.commit() ? std::optional(removed) : std::nullopt;
}
