#pragma once

#include <QByteArray>

// What a stand-in shell command prints and how it exits.
struct CommandOutput {
    QByteArray standardOutput;
    QByteArray standardError;
    int exitCode = 0;
};
