#pragma once

#include <QString>

class EventLogger;

// A once-per-run field dump of the target's row, logged at debug level only:
// the journal passes it while debug logging is on, and its standard-error
// fallback prints it then, so a terminal shows it once and standard output
// (JSON from a command, say) stays clean. Everything but its line breaks is
// router text and is logged as such.
void writeDiagnosticDump(EventLogger& logger, const QString& dump);
