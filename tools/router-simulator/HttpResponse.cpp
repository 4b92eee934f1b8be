#include "HttpResponse.h"

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 499:
        return "Client Closed Request";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}

} // namespace

HttpResponse HttpResponse::json(int status, const QJsonDocument& document, const QByteArray& contentType) {
    return text(status, contentType, document.toJson(QJsonDocument::Compact));
}

HttpResponse HttpResponse::text(int status, const QByteArray& contentType, const QByteArray& body) {
    HttpResponse response;
    response.status = status;
    response.headers.append({QByteArrayLiteral("Content-Type"), contentType});
    response.body = body;
    return response;
}

QByteArray HttpResponse::serialized(bool keepAlive) const {
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : headers)
        bytes += name + ": " + value + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += keepAlive && !closeAfter ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    bytes += "\r\n";
    bytes += body;
    return bytes;
}
