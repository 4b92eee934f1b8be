#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// A window another launch of the program asks for: `veltrano --preferences`,
// `--session-log` or `--signal-history`, from a terminal or the desktop entry's actions,
// or a plain `veltrano` (the app grid, the menu entry) while a copy runs.
enum class ShellRequest { preferences, sessionLog, signalHistory, activate };

// The word the request travels as between two copies of the program.
QByteArray shellRequestWord(ShellRequest request);
// Only the exact words name a request.
std::optional<ShellRequest> shellRequestFromWord(QByteArrayView word);

// A request with the desktop's activation token of the launch that made it
// (XDG_ACTIVATION_TOKEN or DESKTOP_STARTUP_ID), which lets the running copy's
// window be raised as the user's own act rather than as focus stealing.
struct ShellMessage {
    ShellRequest request;
    QByteArray activationToken;
};

// One line: the word, then the token after a space when there is one.
QByteArray shellMessageLine(const ShellMessage& message);
// None unless the line starts with a known word. A token that is too long or
// holds anything but printable ASCII is dropped; the request still stands.
std::optional<ShellMessage> shellMessageFromLine(QByteArrayView line);
