#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// A window another launch of the program asks for: `veltrano --preferences`
// or `veltrano --session-log`, from a terminal or the desktop entry's actions.
enum class ShellRequest { preferences, sessionLog };

// The word the request travels as between two copies of the program.
QByteArray shellRequestWord(ShellRequest request);
// Only the exact words name a request.
std::optional<ShellRequest> shellRequestFromWord(QByteArrayView word);
