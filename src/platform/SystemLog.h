#pragma once

#include "logs/VtCode.h"

#include <QString>

enum class SystemLogLevel { info, debug, error };

// The platform's system log. Writing is safe from any thread and never reports
// failure.
class SystemLog {
public:
    virtual ~SystemLog() = default;

    // `message` is the code's raw string, then a space and the event's detail when
    // it has one; `code` also travels as a field of its own so that the events can
    // be filtered without parsing the text.
    virtual void write(SystemLogLevel level, const QString& message, VtCode code) = 0;
};
