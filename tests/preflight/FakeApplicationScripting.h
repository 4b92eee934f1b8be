#pragma once

#include "preflight/ApplicationScripting.h"

#include <QHash>
#include <QMutex>
#include <QSemaphore>
#include <atomic>
#include <functional>

// Capture One as a test scripts it: whether it runs, its preference domain, and
// how it answers each script. With `holding` set, scripts wait until `release`,
// which plays a Capture One that does not answer.
class FakeApplicationScripting : public ApplicationScripting {
public:
    static ScriptRun answered(const QString& value) { return {true, std::nullopt, value}; }

    ScriptRun runScript(const QString& source) override {
        QMutexLocker lock(&mutex);
        sent.append(source);
        lock.unlock();
        ++runs;
        if (holding)
            gate.acquire();
        return answer(source);
    }
    // Tests change what the fake holds only while no script runs.
    QStringList runningApplicationIdentifiers() const override { return running; }
    QVariant preferenceValue(const QString&, const QString& key) const override {
        return preferences.value(key);
    }
    void setPreferenceValue(const QString&, const QString& key, const QVariant& value) override {
        preferences.insert(key, value);
    }
    void synchronize(const QString& domain) override { synchronized.append(domain); }

    // An R5 Mark II whose every setting passes, its clock at `now`, re-tether on.
    void tetherHealthyCamera(qint64 now) {
        preferences.insert(QStringLiteral("FetchOnConnect"), true);
        answer = [now](const QString& source) {
            return answered(source.contains(QStringLiteral("UTC Time"))
                                ? QString::number(now)
                                : QStringLiteral("16.8 R5 CRAW CF SD FAST"));
        };
    }
    void release() {
        holding = false;
        gate.release(100);
    }

    const QString captureOne = QStringLiteral("com.captureone.captureone16");
    QMutex mutex;
    QStringList running{captureOne};
    std::function<ScriptRun(const QString&)> answer = [](const QString&) { return answered({}); };
    QHash<QString, QVariant> preferences;
    QStringList sent;
    std::atomic_int runs = 0;
    QStringList synchronized;
    std::atomic_bool holding = false;
    QSemaphore gate;
};
