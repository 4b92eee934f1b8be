#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The digest the router applies over "root:" + crypt string + ":" + nonce. It
// names it in the challenge's `hash-method`; firmware that does not is MD5.
// Weakest first.
enum class GlinetOuterHash { md5, sha256, sha512 };

// The router's login challenge. Its nonce lives about one second, so the login
// hash is computed and sent as soon as it arrives.
struct GlinetChallenge {
    QString salt;
    QString nonce;
    // The crypt scheme: 1 MD5-crypt, 6 SHA-512-crypt, anything else SHA-256-crypt.
    int alg = 0;
    GlinetOuterHash outerHash = GlinetOuterHash::md5;
};

// "md5", "sha256" or "sha512", as the challenge names it.
QString glinetOuterHashName(GlinetOuterHash hash);

// Whether `challenge` asks for a weaker login than the crypt scheme and outer
// digest a router asked for before (SHA-512-crypt over SHA-256-crypt over
// MD5-crypt; SHA-512 over SHA-256 over MD5): a router that logged us in one way
// and now asks for a weaker one is not to be sent a hash it can guess.
bool isWeakerGlinetLogin(const GlinetChallenge& challenge, int recordedAlg,
                         const QString& recordedHashMethod);

// None when the answer is unreadable, lacks `salt`, `nonce` or `alg` (logged as
// "no-challenge"), or names an outer hash this client cannot compute.
std::optional<GlinetChallenge> readGlinetChallenge(const QByteArray& body);

// The crypt(3) text of the password under the scheme `alg` selects, with the
// scheme's default rounds: the router's own string never carries "rounds=". None
// when the salt holds a character outside the crypt alphabet (it could smuggle in
// a rounds or scheme part) or the password cannot be passed to crypt.
std::optional<QString> glinetCryptString(const QString& password, const QString& salt, int alg);

// The lower-case hexadecimal login hash for the challenge; none when the crypt
// string cannot be made.
std::optional<QString> glinetLoginHash(const GlinetChallenge& challenge, const QString& password);

// What a login answer says: the session id, or why there is none.
struct GlinetLoginResult {
    std::optional<QString> sid;
    // The `authRejected` detail: "code:" + the router's code, or "no-sid".
    // Empty when `sid` is set.
    QString rejectionDetail;
    // The router named a code: it read the login and turned the password down,
    // which an unreadable or cut-off answer does not say.
    bool refused = false;
};

GlinetLoginResult readGlinetLoginAnswer(const QByteArray& body);
