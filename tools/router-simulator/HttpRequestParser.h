#pragma once

#include "HttpRequest.h"

#include <optional>

// Reads HTTP/1.1 requests off a byte stream: request line, headers, and a body
// of exactly Content-Length bytes. Several requests may sit in one read (a
// pipelining or keep-alive client); each is taken in turn.
class HttpRequestParser {
public:
    // What one attempt to take a request found: a request, a status for a request
    // that cannot be read (the connection answers it and closes), or neither
    // while more bytes are needed.
    struct Result {
        std::optional<HttpRequest> request;
        int errorStatus = 0;
    };

    static constexpr qsizetype maxHeadBytes = 64 * 1024;
    static constexpr qsizetype maxBodyBytes = 4 * 1024 * 1024;

    void feed(const QByteArray& bytes) { buffer.append(bytes); }
    Result take();

private:
    QByteArray buffer;
    bool failed = false;
};
