#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// `session-log [--json]`: prints the stored session log as its Markdown export, or
// with --json as the file's JSON array. Only reads: the running program owns the
// file. Returns the process exit code: 0, 1 for an unreadable file, 2 for unusable
// arguments.
int runSessionLogCommand(const QStringList& args, const QString& sessionLogPath, QTextStream& out,
                         QTextStream& err);
