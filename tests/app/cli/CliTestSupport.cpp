#include "CliTestSupport.h"

#include <QProcess>

CliRun runCli(const QStringList& args, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELTRANO_CLI_PATH), args);
    if (!process.waitForFinished(10000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
