#pragma once

#include <QString>
#include <QTextStream>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs one verb in-process: `command` gets the output and error streams and
// returns the exit status.
template <typename Command> CliRun capture(Command command) {
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.exitCode = command(out, err);
    out.flush();
    err.flush();
    return run;
}
