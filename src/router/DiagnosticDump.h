#pragma once

#include <QString>

class EventLogger;

// A once-per-run field dump of the target's row: logged at debug level and
// written to standard error, so it can be read while running from a terminal
// without mixing into what a command prints on standard output (JSON, say).
void writeDiagnosticDump(EventLogger& logger, const QString& dump);
