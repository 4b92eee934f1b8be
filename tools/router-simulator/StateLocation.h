#pragma once

#include <QString>

// Finds the state folder for `ubus` and `hostapd_cli` run by sshd, whose
// sessions carry no environment of ours: the lab puts a file naming the folder
// beside the command's symlink.
class StateLocation {
public:
    static constexpr const char* pointerFileName = "router-simulator-state";

    // `invokedAs` is argv[0] as the shell passed it: a path, or a bare name
    // looked up along `searchPath`. The file beside the real executable is the
    // last resort. Empty when no pointer file is found.
    static QString find(const QString& invokedAs, const QString& searchPath, const QString& executablePath);
};
