#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class SettingsStore;

// One identity a router has shown us.
struct RouterIdentity {
    QString address;
    // "https" (a pinned certificate) or "ssh" (a known host key).
    QString kind;
    int port = 0;
    QString fingerprint;
    // None for a host key that was in the file before we kept count.
    std::optional<QDateTime> firstSeen;
};

// The identities our routers have shown, kept beside the settings: each
// router's TLS certificate, pinned at the first login to its address and port,
// and the known-hosts file that ssh keeps the host keys in. Anyone who can
// answer at a router's address (a spoofed gateway in a shared studio) would
// otherwise be handed the admin password; with the pins, only the device that
// answered first is.
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
        changed,
    };

    explicit RouterIdentityStore(QString folder);
    // In the folder of the settings file.
    static RouterIdentityStore beside(const SettingsStore& settings);

    // The known-hosts file for ssh's UserKnownHostsFile.
    QString knownHostsPath() const;
    // Creates it, private, when absent: ssh would make it readable by all.
    bool prepareKnownHosts() const;

    CertificateVerdict judgeCertificate(const QString& address, int port, const QString& fingerprint) const;
    // Pins the certificate unless one is pinned at that address and port already.
    void pinCertificate(const QString& address, int port, const QString& fingerprint);

    // The fingerprints of the host keys ssh knows for `address`.
    QStringList hostKeys(const QString& address) const;
    // Host keys ssh has added for `address` since `knownBefore` are first seen now.
    void noteNewHostKeys(const QString& address, const QStringList& knownBefore);

    QList<RouterIdentity> identities() const;
    // Drops the pins, host keys and records of `address`; how many went, or none
    // when a file could not be rewritten.
    std::optional<int> forget(const QString& address);

private:
    QString identitiesPath() const;

    QString folder;
};
