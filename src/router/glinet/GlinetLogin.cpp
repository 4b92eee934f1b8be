#include "router/glinet/GlinetLogin.h"

#include "router/glinet/GlinetRpcAnswer.h"

#include <QCryptographicHash>
#include <crypt.h>
#include <memory>

namespace {

std::optional<GlinetOuterHash> outerHashNamed(const QJsonValue& method) {
    if (method.isUndefined() || method.isNull())
        return GlinetOuterHash::md5;
    const QString name = method.toString();
    if (name == QStringLiteral("md5"))
        return GlinetOuterHash::md5;
    if (name == QStringLiteral("sha256"))
        return GlinetOuterHash::sha256;
    if (name == QStringLiteral("sha512"))
        return GlinetOuterHash::sha512;
    return std::nullopt;
}

QCryptographicHash::Algorithm digestOf(GlinetOuterHash hash) {
    switch (hash) {
    case GlinetOuterHash::md5:
        return QCryptographicHash::Md5;
    case GlinetOuterHash::sha256:
        return QCryptographicHash::Sha256;
    case GlinetOuterHash::sha512:
        return QCryptographicHash::Sha512;
    }
    return QCryptographicHash::Md5;
}

QByteArray schemeMarker(int alg) {
    switch (alg) {
    case 1:
        return QByteArrayLiteral("$1$");
    case 6:
        return QByteArrayLiteral("$6$");
    default:
        return QByteArrayLiteral("$5$");
    }
}

int cryptStrength(int alg) {
    return alg == 1 ? 0 : alg == 6 ? 2 : 1;
}

int digestStrength(GlinetOuterHash hash) {
    return static_cast<int>(hash);
}

bool isCryptSaltCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('/');
}

} // namespace

QString glinetOuterHashName(GlinetOuterHash hash) {
    switch (hash) {
    case GlinetOuterHash::md5:
        return QStringLiteral("md5");
    case GlinetOuterHash::sha256:
        return QStringLiteral("sha256");
    case GlinetOuterHash::sha512:
        return QStringLiteral("sha512");
    }
    return QStringLiteral("md5");
}

bool isWeakerGlinetLogin(const GlinetChallenge& challenge, int recordedAlg,
                         const QString& recordedHashMethod) {
    // A record this build cannot read asks for the strongest.
    const GlinetOuterHash recordedDigest =
        outerHashNamed(recordedHashMethod).value_or(GlinetOuterHash::sha512);
    return cryptStrength(challenge.alg) < cryptStrength(recordedAlg) ||
           digestStrength(challenge.outerHash) < digestStrength(recordedDigest);
}

std::optional<GlinetChallenge> readGlinetChallenge(const QByteArray& body) {
    const auto answer = readGlinetRpcAnswer(body);
    if (!answer)
        return std::nullopt;
    const QJsonValue salt = answer->result.value(QStringLiteral("salt"));
    const QJsonValue nonce = answer->result.value(QStringLiteral("nonce"));
    const QJsonValue alg = answer->result.value(QStringLiteral("alg"));
    if (!salt.isString() || !nonce.isString() || !alg.isDouble())
        return std::nullopt;
    const auto outerHash = outerHashNamed(answer->result.value(QStringLiteral("hash-method")));
    if (!outerHash)
        return std::nullopt;
    return GlinetChallenge{salt.toString(), nonce.toString(), alg.toInt(), *outerHash};
}

std::optional<QString> glinetCryptString(const QString& password, const QString& salt, int alg) {
    for (const QChar c : salt)
        if (!isCryptSaltCharacter(c))
            return std::nullopt;
    const QByteArray phrase = password.toUtf8();
    // crypt reads a C string; a NUL would silently shorten the password.
    if (phrase.contains('\0'))
        return std::nullopt;
    const QByteArray setting = schemeMarker(alg) + salt.toLatin1();
    // Too large for the stack; crypt_rn wants it zeroed before first use.
    const auto data = std::make_unique<crypt_data>();
    const char* text = crypt_rn(phrase.constData(), setting.constData(), data.get(), sizeof(crypt_data));
    if (text == nullptr || text[0] == '*')
        return std::nullopt;
    return QString::fromLatin1(text);
}

std::optional<QString> glinetLoginHash(const GlinetChallenge& challenge, const QString& password) {
    const auto cryptString = glinetCryptString(password, challenge.salt, challenge.alg);
    if (!cryptString)
        return std::nullopt;
    const QByteArray text =
        (QStringLiteral("root:") + *cryptString + QLatin1Char(':') + challenge.nonce).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(text, digestOf(challenge.outerHash)).toHex());
}

GlinetLoginResult readGlinetLoginAnswer(const QByteArray& body) {
    const auto answer = readGlinetRpcAnswer(body);
    if (!answer)
        return {std::nullopt, QStringLiteral("no-sid")};
    if (const QJsonValue sid = answer->result.value(QStringLiteral("sid"));
        sid.isString() && !sid.toString().isEmpty())
        return {sid.toString(), {}};
    auto code = glinetCodeText(answer->result.value(QStringLiteral("code")));
    if (!code)
        code = answer->errorCode;
    if (code)
        return {std::nullopt, QStringLiteral("code:") + *code, true};
    return {std::nullopt, QStringLiteral("no-sid")};
}
