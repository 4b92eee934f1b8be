#include "router/HttpAnswerReader.h"

#include <optional>

namespace {

// Far beyond any router's head; a peer that sends more is not answering HTTP.
constexpr qsizetype maximumHeadBytes = 64 * 1024;

bool bodiless(int status) {
    return status == 204 || status == 304;
}

} // namespace

HttpAnswerReader::HttpAnswerReader(qint64 maximumBodyBytes)
    : maximumBodyBytes(maximumBodyBytes) {}

HttpAnswerReader::Progress HttpAnswerReader::take(QByteArrayView bytes) {
    if (stage == Stage::done) {
        keepAlive = keepAlive && bytes.isEmpty();
        return Progress::complete;
    }
    if (stage == Stage::failed)
        return Progress::malformed;
    pending.append(bytes);
    return advance();
}

HttpAnswerReader::Progress HttpAnswerReader::closed() {
    if (stage == Stage::untilClose) {
        stage = Stage::done;
        keepAlive = false;
        return Progress::complete;
    }
    return stage == Stage::done ? Progress::complete : fail(Progress::malformed);
}

HttpAnswerReader::Progress HttpAnswerReader::advance() {
    for (;;) {
        switch (stage) {
        case Stage::head:
            if (const Progress progress = readHead(); progress != Progress::complete)
                return progress;
            break;
        case Stage::lengthBody:
            if (!takeCounted())
                return Progress::incomplete;
            stage = Stage::done;
            break;
        case Stage::chunkSize:
            if (const Progress progress = readChunkSize(); progress != Progress::complete)
                return progress;
            break;
        case Stage::chunkData:
            if (!takeCounted())
                return Progress::incomplete;
            stage = Stage::chunkEnd;
            break;
        case Stage::chunkEnd: {
            const std::optional<QByteArray> line = takeLine();
            if (!line)
                return Progress::incomplete;
            if (!line->isEmpty())
                return fail(Progress::malformed);
            stage = Stage::chunkSize;
            break;
        }
        case Stage::trailers:
            if (const Progress progress = readTrailers(); progress != Progress::complete)
                return progress;
            break;
        case Stage::untilClose:
            if (body.size() + pending.size() > maximumBodyBytes)
                return fail(Progress::tooLarge);
            body.append(pending);
            pending.clear();
            return Progress::incomplete;
        case Stage::done:
            // A peer that says more than it was asked is not trusted with the
            // next request; the answer itself is whole.
            keepAlive = keepAlive && pending.isEmpty();
            pending.clear();
            return Progress::complete;
        case Stage::failed:
            return Progress::malformed;
        }
    }
}

bool HttpAnswerReader::takeCounted() {
    const qsizetype taken = std::min<qsizetype>(remaining, pending.size());
    body.append(pending.first(taken));
    pending.remove(0, taken);
    remaining -= taken;
    return remaining == 0;
}

HttpAnswerReader::Progress HttpAnswerReader::readHead() {
    qsizetype end = pending.indexOf("\r\n\r\n");
    qsizetype endLength = 4;
    if (const qsizetype bare = pending.indexOf("\n\n"); bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        endLength = 2;
    }
    if (end < 0)
        return pending.size() > maximumHeadBytes ? fail(Progress::malformed) : Progress::incomplete;
    if (end > maximumHeadBytes)
        return fail(Progress::malformed);
    const QList<QByteArray> lines = pending.first(end).split('\n');
    pending.remove(0, end + endLength);

    // "HTTP/1.1 200 OK"
    const QByteArray statusLine = lines.first().trimmed();
    const QList<QByteArray> parts = statusLine.split(' ');
    bool numeric = false;
    const int code = parts.value(1).toInt(&numeric);
    if (!statusLine.startsWith("HTTP/1.") || !numeric || code < 100 || code > 999)
        return fail(Progress::malformed);
    statusCode = code;
    headerPairs.clear();
    for (qsizetype index = 1; index < lines.size(); ++index) {
        const QByteArray line = lines[index].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return fail(Progress::malformed);
        addHeader(line.first(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    // An interim answer: the real one follows on the same connection.
    if (code < 200)
        return Progress::complete;

    const std::optional<QByteArray> connection = header("Connection");
    keepAlive = statusLine.startsWith("HTTP/1.1") &&
                !(connection && connection->toLower().split(',').contains("close"));
    if (bodiless(code)) {
        stage = Stage::done;
        return Progress::complete;
    }
    if (const std::optional<QByteArray> coding = header("Transfer-Encoding");
        coding && coding->toLower().contains("chunked")) {
        stage = Stage::chunkSize;
        return Progress::complete;
    }
    if (const std::optional<QByteArray> length = header("Content-Length")) {
        bool valid = false;
        remaining = length->toLongLong(&valid);
        if (!valid || remaining < 0)
            return fail(Progress::malformed);
        if (remaining > maximumBodyBytes)
            return fail(Progress::tooLarge);
        stage = Stage::lengthBody;
        return Progress::complete;
    }
    keepAlive = false;
    stage = Stage::untilClose;
    return Progress::complete;
}

HttpAnswerReader::Progress HttpAnswerReader::readChunkSize() {
    const std::optional<QByteArray> line = takeLine();
    if (!line)
        return pending.size() > maximumHeadBytes ? fail(Progress::malformed) : Progress::incomplete;
    bool valid = false;
    remaining = line->split(';').first().trimmed().toLongLong(&valid, 16);
    if (!valid || remaining < 0)
        return fail(Progress::malformed);
    if (remaining > maximumBodyBytes - body.size())
        return fail(Progress::tooLarge);
    stage = remaining == 0 ? Stage::trailers : Stage::chunkData;
    return Progress::complete;
}

HttpAnswerReader::Progress HttpAnswerReader::readTrailers() {
    for (;;) {
        const std::optional<QByteArray> line = takeLine();
        if (!line)
            return pending.size() > maximumHeadBytes ? fail(Progress::malformed) : Progress::incomplete;
        if (line->isEmpty()) {
            stage = Stage::done;
            return Progress::complete;
        }
    }
}

HttpAnswerReader::Progress HttpAnswerReader::fail(Progress why) {
    stage = Stage::failed;
    keepAlive = false;
    return why;
}

void HttpAnswerReader::addHeader(const QByteArray& name, const QByteArray& value) {
    for (auto& [known, values] : headerPairs)
        if (known.compare(name, Qt::CaseInsensitive) == 0) {
            values += (name.compare("Set-Cookie", Qt::CaseInsensitive) == 0 ? "\n" : ", ") + value;
            return;
        }
    headerPairs.append({name, value});
}

std::optional<QByteArray> HttpAnswerReader::header(QByteArrayView name) const {
    for (const auto& [known, value] : headerPairs)
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

std::optional<QByteArray> HttpAnswerReader::takeLine() {
    const qsizetype end = pending.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    QByteArray line = pending.first(end);
    pending.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}
