#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class SettingsStore;

// One identity a router has shown us.
struct RouterIdentity {
    QString address;
    // "https" (a pinned certificate), "ssh" (a known host key), or the family
    // key the first login there was made as ("glinet", "unifi", "peplink").
    QString kind;
    // 0 for a family.
    int port = 0;
    // A family's record says how its web interface was reached instead.
    QString fingerprint;
    // None for a host key that was in the file before we kept count.
    std::optional<QDateTime> firstSeen;
};

// What the first successful login at an address found there. It is part of the
// router's identity as much as its certificate: a host that answers at the
// address as another family, in clear text where HTTPS was, or with a weaker
// login than before is not the router we logged in to.
struct RouterRecord {
    // "glinet", "unifi" or "peplink".
    QString family;
    // "https", or "http" for a GL.iNet router that offered no HTTPS at its first login.
    QString scheme = QStringLiteral("https");
    // GL.iNet: the challenge's crypt scheme (`alg`) and outer digest
    // (`hash-method`, "md5" where it named none) at the first login.
    std::optional<int> cryptAlg = std::nullopt;
    std::optional<QString> hashMethod = std::nullopt;

    bool operator==(const RouterRecord&) const = default;
};

// What is known of an address before anything secret may go there.
struct RouterStanding {
    std::optional<RouterRecord> record = std::nullopt;
    // Some certificate is pinned at the address: it spoke HTTPS to us before.
    bool certificatePinned = false;
    // The identities could not be read, so nothing at this address counts as a
    // first use until it is forgotten; names where the unreadable file was kept.
    std::optional<QString> unreadableFile = std::nullopt;
};

// The identities our routers have shown, kept beside the settings: each
// router's TLS certificate, pinned at the first login to its address and port,
// the family and login it answered with then, and the known-hosts file that ssh
// keeps the host keys in. Anyone who can answer at a router's address (a
// spoofed gateway in a shared studio) would otherwise be handed the admin
// password; with the pins, only the device that answered first is.
//
// A file that exists but cannot be read is moved aside, and fails closed: a
// fresh file notes where it went, and every address counts as changed, not as
// new, until `forget` clears it one by one.
//
// Every call reads the files afresh, so a `veltrano-cli trust forget` takes
// effect in a running program at once. Safe from any thread and beside other
// processes: changes are serialised and written atomically, private to the user.
class RouterIdentityStore {
public:
    enum class CertificateVerdict {
        // Nothing is pinned for this address: the first login decides.
        firstUse,
        known,
        // Another certificate than the one pinned here, or, on a port never
        // logged in to, than any pinned at this address: the password must
        // not follow a router that fell back to a port we have no pin for.
        // Also every certificate while the identities cannot be read.
        changed,
    };

    explicit RouterIdentityStore(QString folder);
    // In the folder of the settings file.
    static RouterIdentityStore beside(const SettingsStore& settings);

    QString identitiesPath() const;
    // The known-hosts file for ssh's UserKnownHostsFile.
    QString knownHostsPath() const;
    // Creates it, private, when absent: ssh would make it readable by all.
    bool prepareKnownHosts() const;

    CertificateVerdict judgeCertificate(const QString& address, int port, const QString& fingerprint) const;
    RouterStanding standing(const QString& address) const;

    // A certificate a router presented on one port.
    struct Certificate {
        int port = 0;
        QString fingerprint;
    };
    // Keeps what a successful login at `address` found: the family and login
    // unless a record is there already, and the certificate unless one is
    // pinned at its port. False when that could not be written: the next
    // login would then pass for a first one.
    bool keepLogin(const QString& address, const RouterRecord& record,
                   const std::optional<Certificate>& certificate);

    // The fingerprints of the host keys ssh knows for `address`.
    QStringList hostKeys(const QString& address) const;
    // Host keys ssh has added for `address` since `knownBefore` are first seen now.
    void noteNewHostKeys(const QString& address, const QStringList& knownBefore);

    QList<RouterIdentity> identities() const;
    // Drops the pins, host keys and records of `address` (and, after an
    // unreadable file, lets its next login count as a first use); how many
    // went, or none when a file could not be rewritten.
    std::optional<int> forget(const QString& address);

private:
    QString folder;
};
