#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

// The parts of a GL.iNet JSON-RPC answer the adapter acts on. Firmware serves
// these as application/octet-stream as often as JSON, so only the body counts.
struct GlinetRpcAnswer {
    // The `result` object; empty when the answer has none.
    QJsonObject result;
    // `error.code` as text ("-32000"); none when the answer carries no error code.
    std::optional<QString> errorCode;

    // Many firmwares answer a call with a stale session id with HTTP 200 and
    // this error instead of a 401; it means the same.
    bool isSessionExpired() const;
};

// A JSON-RPC code as text: firmwares send it as a number or as a string.
std::optional<QString> glinetCodeText(const QJsonValue& code);

// None when the body is not a JSON object (an HTML error page, a cut-off answer).
std::optional<GlinetRpcAnswer> readGlinetRpcAnswer(const QByteArray& body);
