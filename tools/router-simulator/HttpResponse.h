#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QPair>

struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Set when the connection must end after this answer.
    bool closeAfter = false;
    // Set when only the first half of the body is sent, then a reset.
    bool resetMidBody = false;

    static HttpResponse json(int status, const QJsonDocument& document,
                             const QByteArray& contentType = QByteArrayLiteral("application/json"));
    static HttpResponse text(int status, const QByteArray& contentType, const QByteArray& body);

    HttpResponse& withHeader(const QByteArray& name, const QByteArray& value) {
        headers.append({name, value});
        return *this;
    }
    // The bytes on the wire; Content-Length always matches the body sent.
    QByteArray serialized(bool keepAlive) const;
};
