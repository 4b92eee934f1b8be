#include "app/ShellRequest.h"

#include <array>

namespace {

struct NamedRequest {
    ShellRequest request;
    QByteArrayView word;
};

// The option on the command line is the word with two dashes in front.
constexpr std::array<NamedRequest, 2> namedRequests{{
    {ShellRequest::preferences, "preferences"},
    {ShellRequest::sessionLog, "session-log"},
}};

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
