#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTemporaryDir>
#include <optional>

// Self-signed, for a name that is not the address, and expired years ago: the
// worst a router's certificate gets, so every fake router shows it. Made once
// per test program.
inline std::optional<QSslConfiguration> makeRouterTls() {
    QTemporaryDir dir;
    const auto run = [&dir](const char* arguments) {
        QProcess openssl;
        openssl.setWorkingDirectory(dir.path());
        openssl.start(QStringLiteral("openssl"), QString::fromLatin1(arguments).split(QLatin1Char(' ')));
        return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
               openssl.exitCode() == 0;
    };
    const auto write = [&dir](const char* name, const QByteArray& content) {
        QFile file(dir.filePath(QLatin1String(name)));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    const bool made =
        write("ca.cnf", "[ca]\ndefault_ca = router\n[router]\ndatabase = index.txt\nnew_certs_dir = .\n"
                        "serial = serial\ndefault_md = sha256\npolicy = anything\n[anything]\n"
                        "commonName = supplied\n") &&
        write("index.txt", {}) && write("serial", "01\n") &&
        run("req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout key.pem "
            "-out request.csr -subj /CN=router.invalid") &&
        run("ca -batch -config ca.cnf -selfsign -keyfile key.pem -in request.csr -out cert.pem "
            "-startdate 20200101000000Z -enddate 20200102000000Z");
    QFile key(dir.filePath(QStringLiteral("key.pem")));
    if (!made || !key.open(QIODevice::ReadOnly))
        return std::nullopt;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(dir.filePath(QStringLiteral("cert.pem"))));
    return tls;
}

inline const std::optional<QSslConfiguration>& routerTls() {
    static const std::optional<QSslConfiguration> tls = makeRouterTls();
    return tls;
}
