#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One host key line of an OpenSSH known-hosts file, as ssh-keygen -l names it.
struct KnownHostKey {
    QString address;
    int port = 22;
    // "SHA256:" and the unpadded base64 of the key's SHA-256.
    QString fingerprint;
};

// Reads and prunes the known-hosts file that ssh keeps for our router logins.
// Hashed host names (HashKnownHosts) are skipped: we never ask ssh for them.
class KnownHostsFile {
public:
    // Absent or unreadable: no keys.
    static QList<KnownHostKey> read(const QString& path);
    // The fingerprints recorded for `address` on any port.
    static QStringList fingerprintsFor(const QString& path, const QString& address);
    // Rewrites the file, private and atomically, without the lines naming
    // `address`; how many went, or none when the file could not be rewritten.
    static std::optional<int> remove(const QString& path, const QString& address);
};
