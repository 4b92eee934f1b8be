#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <optional>

// A window another launch of the program asks for: `veltrano --preferences`
// or `veltrano --session-log`, from a terminal or the desktop entry's actions.
enum class ShellRequest { preferences, sessionLog };

// What the command line asks for; `valid` is false for anything but no
// argument or one of the two options.
struct LaunchArguments {
    bool valid = true;
    std::optional<ShellRequest> request;
};

// `arguments` without the program name.
LaunchArguments parseLaunchArguments(const QStringList& arguments);
inline constexpr char launchUsage[] = "usage: veltrano [--preferences | --session-log]\n";

// The word the request travels as between two copies of the program.
QByteArray shellRequestWord(ShellRequest request);
// Only the exact words name a request.
std::optional<ShellRequest> shellRequestFromWord(QByteArrayView word);
