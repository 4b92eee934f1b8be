#include "app/cli/SessionLogCommand.h"

#include "logs/SessionLog.h"

int runSessionLogCommand(const QStringList& args, const QString& sessionLogPath, QTextStream& out,
                         QTextStream& err) {
    const bool asJson = args == QStringList{QStringLiteral("--json")};
    if (!args.isEmpty() && !asJson) {
        err << "Usage: veltrano-cli session-log [--json]\n";
        return 2;
    }

    // No data folder means nothing can have been stored.
    const std::optional<QList<LogEntry>> entries =
        sessionLogPath.isEmpty() ? QList<LogEntry>{} : SessionLog::readEntries(sessionLogPath);
    if (!entries) {
        err << "veltrano-cli: the session log \"" << sessionLogPath
            << "\" cannot be read or is not a valid session log\n";
        return 1;
    }

    if (asJson)
        out << QString::fromUtf8(LogEntry::encodeList(*entries)) << '\n';
    else
        out << SessionLog::sessionMarkdown(*entries);
    return 0;
}
