#pragma once

#include "platform/SystemLog.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <future>

// The transport logs from whichever thread runs it, so this recorder locks.
class ThreadSafeRecordingLog : public SystemLog {
public:
    void write(SystemLogLevel, const QString& message, VtCode) override {
        QMutexLocker lock(&mutex);
        recorded.append(message);
    }
    QStringList lines() const {
        QMutexLocker lock(&mutex);
        return recorded;
    }

private:
    mutable QMutex mutex;
    QStringList recorded;
};

// The transport refuses the main thread; tests call it from a worker and wait.
template <typename Call> auto offMainThread(Call call) {
    return std::async(std::launch::async, call).get();
}
