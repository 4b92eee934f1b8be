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
        {
            QMutexLocker lock(&mutex);
            sent.append(source);
        }
        if (holding)
            gate.acquire();
        QMutexLocker lock(&mutex);
        return answer(source);
    }
    QStringList runningApplicationIdentifiers() const override {
        QMutexLocker lock(&mutex);
        return running;
    }
    QVariant preferenceValue(const QString& domain, const QString& key) const override {
        return domain == captureOne ? preferences.value(key) : QVariant();
    }
    void setPreferenceValue(const QString& domain, const QString& key, const QVariant& value) override {
        if (domain == captureOne)
            preferences.insert(key, value);
    }
    void synchronize(const QString& domain) override { synchronized.append(domain); }

    qsizetype sentCount() const {
        QMutexLocker lock(&mutex);
        return sent.size();
    }
    void release() {
        holding = false;
        gate.release(100);
    }

    const QString captureOne = QStringLiteral("com.captureone.captureone16");
    mutable QMutex mutex;
    QStringList running{captureOne};
    std::function<ScriptRun(const QString&)> answer = [](const QString&) { return answered({}); };
    QHash<QString, QVariant> preferences;
    QStringList sent;
    QStringList synchronized;
    std::atomic_bool holding = false;
    QSemaphore gate;
};
