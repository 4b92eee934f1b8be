#pragma once

#include "platform/Clock.h"

// A clock that moves only when the test moves it.
class FakeClock : public Clock {
public:
    QDateTime now() const override { return current; }
    void advance(qint64 milliseconds) { current = current.addMSecs(milliseconds); }

    QDateTime current = QDateTime(QDate(2025, 3, 14), QTime(10, 0), Qt::UTC);
};
