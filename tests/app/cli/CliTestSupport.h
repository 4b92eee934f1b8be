#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the real veltrano-cli binary with the given arguments and environment.
CliRun runCli(const QStringList& args,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
