#include "app/SettingsStore.h"
#include "app/cli/ExplainCommand.h"
#include "app/cli/SessionLogCommand.h"
#include "app/cli/SettingsCommand.h"
#include "logs/SessionLog.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

void printUsage(QTextStream& stream) {
    stream << "Usage: veltrano-cli COMMAND [ARGUMENTS]\n"
              "\n"
              "Commands:\n"
              "  settings list | get KEY | set KEY VALUE | unset KEY\n"
              "                       read or change the program's settings\n"
              "  explain RSSI RATE [--json]\n"
              "                       classify one reading (RSSI in dBm, transmit rate in Mbit/s)\n"
              "  session-log [--json] print the stored session log\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrano-cli"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }

    const QString command = args.takeFirst();
    if (command == QStringLiteral("settings"))
        return runSettingsCommand(args, SettingsStore::shared(), out, err);
    if (command == QStringLiteral("explain"))
        return runExplainCommand(args, out, err);
    if (command == QStringLiteral("session-log"))
        return runSessionLogCommand(args, SessionLog::defaultFilePath(), out, err);
    if (command == QStringLiteral("help") || command == QStringLiteral("--help") ||
        command == QStringLiteral("-h")) {
        printUsage(out);
        return 0;
    }
    err << "veltrano-cli: unknown command \"" << command << "\"\n\n";
    printUsage(err);
    return 2;
}
