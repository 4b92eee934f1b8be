#pragma once

#include <QDateTime>

// The wall clock, injected so that snoozes, throughput intervals and log times
// can be driven by tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
