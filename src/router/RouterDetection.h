#pragma once

#include <QString>
#include <functional>
#include <optional>

// What answered at an address, judged against what answered there at its
// first login.
struct RouterDetection {
    // "glinet", "unifi", "peplink" or "unknown".
    QString family;
    // The sentence to show instead of storing `family`: the first login at the
    // address was as another family. None when it may be stored.
    std::optional<QString> refusal = std::nullopt;

    bool operator==(const RouterDetection&) const = default;
};

using DetectionCompletion = std::function<void(RouterDetection)>;
