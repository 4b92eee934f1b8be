#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// Why no complete HTTP answer came.
enum class RouterHttpError {
    timeout,
    refused,
    // The TLS handshake itself failed; certificate complaints never get here.
    tls,
    // The answer outgrew the session's bound and was cut off.
    tooLarge,
    // The router's certificate is not the one pinned for it; the request was
    // ended before anything of it was sent.
    identityChanged,
    // Anything else: unreachable host, reset or closed mid-answer, bad URL.
    network,
};

// The certificate a router presented over HTTPS, where it did.
struct PresentedCertificate {
    QString address;
    int port = 0;
    // The leaf certificate's SHA-256, as upper-case hex pairs joined by colons.
    QString fingerprint;
};

// A complete HTTP answer of any status, or the reason there is none.
struct RouterHttpResult {
    std::optional<RouterHttpError> error;
    int status = 0;
    // As the reply lists them; repeated Set-Cookie headers come joined by newlines.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // What a successful login pins (RouterHttpSession::pinCertificate).
    std::optional<PresentedCertificate> certificate = std::nullopt;

    // The status when an answer came, in the form the answer parsers take.
    std::optional<int> answeredStatus() const { return error ? std::nullopt : std::optional<int>(status); }
};
