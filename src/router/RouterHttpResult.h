#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <optional>

// Why no complete HTTP answer came.
enum class RouterHttpError {
    timeout,
    refused,
    // The TLS handshake itself failed; certificate complaints never get here.
    tls,
    // The answer outgrew the session's bound and was cut off.
    tooLarge,
    // Anything else: unreachable host, reset or closed mid-answer, bad URL.
    network,
};

// A complete HTTP answer of any status, or the reason there is none.
struct RouterHttpResult {
    std::optional<RouterHttpError> error;
    int status = 0;
    // As the reply lists them; repeated Set-Cookie headers come joined by newlines.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The status when an answer came, in the form the answer parsers take.
    std::optional<int> answeredStatus() const { return error ? std::nullopt : std::optional<int>(status); }
};
