#pragma once

#include <QString>

// What a string from the router is, for routerText.
enum class RouterTextKind {
    // A host, device or model name: one line of at most nameLength characters.
    name,
    // Any other single value: an address, a band or interface text, an error text.
    line,
    // A dump of a whole answer, whose line breaks are kept.
    dump,
};

// Characters as a person counts them (grapheme clusters) that a name keeps,
// the closing "…" included.
inline constexpr int nameLength = 64;

// A string the router supplied, made fit to show in the menu, the windows, the
// logs, the exports and a terminal: control characters are shown as escapes,
// bidirectional and zero-width formatting is removed, an unpaired surrogate
// becomes U+FFFD, and a name longer than nameLength ends in "…".
QString routerText(const QString& text, RouterTextKind kind);
