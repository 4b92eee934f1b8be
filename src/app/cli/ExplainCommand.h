#pragma once

#include <QStringList>
#include <QTextStream>

// `explain RSSI RATE [--json]`: how one reading would be classified. Returns the
// process exit code: 0, or 2 for unusable arguments.
int runExplainCommand(const QStringList& args, QTextStream& out, QTextStream& err);
