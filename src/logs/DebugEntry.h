#pragma once

#include "logs/VtCode.h"

#include <QDateTime>
#include <QString>

// One recorded event of the in-memory debug log.
struct DebugEntry {
    // Taken on the thread that logged the event, before any hand-over.
    QDateTime timestamp;
    // "INFO", "DEBUG" or "ERROR".
    QString level;
    VtCode code;
    // Free text as the emitter passed it; may be empty.
    QString detail;
};
