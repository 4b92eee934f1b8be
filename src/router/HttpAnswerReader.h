#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// Reads one HTTP/1.1 answer from a connection's bytes as they arrive, in
// whatever pieces the network hands them over: the status, the headers, and a
// body framed by its length, by chunks or by the connection's close. Interim
// 1xx answers are passed over. The head is bounded, and so is the body: an
// announced length beyond the bound fails before a byte of it is kept.
class HttpAnswerReader {
public:
    enum class Progress { incomplete, complete, malformed, tooLarge };

    explicit HttpAnswerReader(qint64 maximumBodyBytes);

    Progress take(QByteArrayView bytes);
    // The peer closed the connection; ends a body that runs until the close.
    Progress closed();

    int status() const { return statusCode; }
    // In the order the answer gave them; a repeated header comes once, its
    // values joined by ", ", Set-Cookie's by newlines (cookies hold commas).
    const QList<QPair<QByteArray, QByteArray>>& headers() const { return headerPairs; }
    QByteArray takeBody() { return std::move(body); }
    // Whether the connection may carry the next request once this answer is complete.
    bool keepsConnection() const { return keepAlive; }

private:
    enum class Stage { head, lengthBody, chunkSize, chunkData, chunkEnd, trailers, untilClose, done, failed };

    Progress advance();
    // Moves up to `remaining` body bytes out of `pending`; true once none remain.
    bool takeCounted();
    Progress readHead();
    Progress readChunkSize();
    Progress readTrailers();
    Progress fail(Progress why);
    void addHeader(const QByteArray& name, const QByteArray& value);
    std::optional<QByteArray> header(QByteArrayView name) const;
    // Takes one line from `pending`, without its line end; none while incomplete.
    std::optional<QByteArray> takeLine();

    const qint64 maximumBodyBytes;
    Stage stage = Stage::head;
    QByteArray pending;
    int statusCode = 0;
    QList<QPair<QByteArray, QByteArray>> headerPairs;
    QByteArray body;
    qint64 remaining = 0;
    bool keepAlive = false;
};
