#include "app/ShellRequest.h"

#include <algorithm>
#include <array>

namespace {

struct NamedRequest {
    ShellRequest request;
    QByteArrayView word;
};

// The option on the command line is the word with two dashes in front; a
// plain launch has none.
constexpr std::array<NamedRequest, 4> namedRequests{{
    {ShellRequest::preferences, "preferences"},
    {ShellRequest::sessionLog, "session-log"},
    {ShellRequest::signalHistory, "signal-history"},
    {ShellRequest::activate, "activate"},
}};

// Startup ids and Wayland tokens are short printable names; the limit keeps a
// line within what the running copy reads.
constexpr qsizetype maxTokenLength = 255;

bool isToken(QByteArrayView token) {
    return !token.isEmpty() && token.size() <= maxTokenLength &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < '\x7f'; });
}

} // namespace

QByteArray shellRequestWord(ShellRequest request) {
    for (const NamedRequest& named : namedRequests)
        if (named.request == request)
            return named.word.toByteArray();
    return {};
}

std::optional<ShellRequest> shellRequestFromWord(QByteArrayView word) {
    for (const NamedRequest& named : namedRequests)
        if (named.word == word)
            return named.request;
    return std::nullopt;
}

QByteArray shellMessageLine(const ShellMessage& message) {
    QByteArray line = shellRequestWord(message.request);
    if (isToken(message.activationToken))
        line += ' ' + message.activationToken;
    return line + '\n';
}

std::optional<ShellMessage> shellMessageFromLine(QByteArrayView line) {
    line = line.trimmed();
    const qsizetype space = line.indexOf(' ');
    const std::optional<ShellRequest> request = shellRequestFromWord(space < 0 ? line : line.first(space));
    if (!request)
        return std::nullopt;
    const QByteArrayView token = space < 0 ? QByteArrayView() : line.sliced(space + 1);
    return ShellMessage{*request, isToken(token) ? token.toByteArray() : QByteArray()};
}
