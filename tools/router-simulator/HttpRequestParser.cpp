#include "HttpRequestParser.h"

namespace {

// The end of the head and the length of the blank line that ends it; clients
// that end lines with a bare LF are read too.
std::optional<QPair<qsizetype, qsizetype>> headEnd(const QByteArray& buffer) {
    const qsizetype crlf = buffer.indexOf("\r\n\r\n");
    const qsizetype lf = buffer.indexOf("\n\n");
    if (crlf < 0 && lf < 0)
        return std::nullopt;
    if (lf < 0 || (crlf >= 0 && crlf < lf))
        return QPair<qsizetype, qsizetype>(crlf, 4);
    return QPair<qsizetype, qsizetype>(lf, 2);
}

bool isToken(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    return true;
}

std::optional<qsizetype> contentLength(const HttpRequest& request) {
    std::optional<qsizetype> length;
    for (const auto& [name, value] : request.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray digits = value.trimmed();
        if (digits.isEmpty() || digits.size() > 12)
            return -1;
        for (const char c : digits)
            if (c < '0' || c > '9')
                return -1;
        const qsizetype parsed = digits.toLongLong();
        // Two different lengths are how requests get smuggled past a proxy.
        if (length && *length != parsed)
            return -1;
        length = parsed;
    }
    return length;
}

} // namespace

HttpRequestParser::Result HttpRequestParser::take() {
    if (failed)
        return {};
    const auto end = headEnd(buffer);
    if (!end) {
        if (buffer.size() > maxHeadBytes) {
            failed = true;
            return {std::nullopt, 431};
        }
        return {};
    }
    if (end->first > maxHeadBytes) {
        failed = true;
        return {std::nullopt, 431};
    }
    QList<QByteArray> lines = buffer.left(end->first).split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);

    HttpRequest request;
    const QList<QByteArray> parts = lines.first().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() ||
        (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")) {
        failed = true;
        return {std::nullopt, 400};
    }
    request.method = parts[0];
    request.target = parts[1];
    request.version = parts[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        // A folded continuation line starts with white space: long obsolete, refused.
        if (colon <= 0 || !isToken(line.left(colon))) {
            failed = true;
            return {std::nullopt, 400};
        }
        request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    if (!request.header("Transfer-Encoding").isEmpty()) {
        failed = true;
        return {std::nullopt, 501};
    }
    const std::optional<qsizetype> length = contentLength(request);
    if (length && *length < 0) {
        failed = true;
        return {std::nullopt, 400};
    }
    const qsizetype bodyLength = length.value_or(0);
    if (bodyLength > maxBodyBytes) {
        failed = true;
        return {std::nullopt, 413};
    }
    const qsizetype bodyStart = end->first + end->second;
    if (buffer.size() - bodyStart < bodyLength)
        return {};
    request.body = buffer.mid(bodyStart, bodyLength);
    buffer.remove(0, bodyStart + bodyLength);
    return {std::move(request), 0};
}
