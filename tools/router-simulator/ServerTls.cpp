#include "ServerTls.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

std::optional<QSslConfiguration> serverTls(const QString& certPath, const QString& keyPath, QString* error) {
    QFile certFile(certPath);
    QFile keyFile(keyPath);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the certificate or key");
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
    const QByteArray keyText = keyFile.readAll();
    QSslKey key(keyText, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
    if (chain.isEmpty() || key.isNull()) {
        *error = QStringLiteral("the certificate or key is not PEM");
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}
