#pragma once

#include "preflight/ApplicationScripting.h"

#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSemaphore>
#include <atomic>
#include <functional>

// Capture One as a test scripts it: whether it runs, its preference domain, and
// how it answers each script. By default it answers from `camera`, by what the
// script asks, and keeps what a script sets; a test may replace `answer`. With
// `holding` set, scripts wait until `release`, which plays a Capture One that
// does not answer.
class FakeApplicationScripting : public ApplicationScripting {
public:
    static ScriptRun answered(const QString& value) { return {true, std::nullopt, value}; }

    bool reachesApplications() const override { return reaches; }
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
        QMutexLocker lock(&mutex);
        camera = {{QStringLiteral("app version"), QStringLiteral("16.8.2")},
                  {QStringLiteral("name"), QStringLiteral("Canon EOS R5 Mark II")},
                  {QStringLiteral("format"), QStringLiteral("CRAW")},
                  {QStringLiteral("Shoot/Recording/Playback"), QStringLiteral("CFexpress")},
                  {QStringLiteral("Shoot/Save To"), QStringLiteral("SD+Capture One")},
                  {QStringLiteral("Shoot/Wireless Mode"), QStringLiteral("Fast")},
                  {QStringLiteral("Setup/UTC Time"), QString::number(now)}};
        answer = [this](const QString& source) { return answerFromCamera(source); };
    }
    // What `camera` holds under `key`, or an AppleScript error when it has nothing.
    ScriptRun answerFromCamera(const QString& source) {
        static const QRegularExpression attribute(QStringLiteral("if name of a is \"([^\"]+)\""));
        static const QRegularExpression setTo(
            QStringLiteral("set (?:value of a|format of camera of current document) to \"([^\"]*)\""));
        const QRegularExpressionMatch named = attribute.match(source);
        const QString key = source.contains(QStringLiteral("get app version")) ? QStringLiteral("app version")
                            : named.hasMatch()                                 ? named.captured(1)
                            : source.contains(QStringLiteral("format of camera")) ? QStringLiteral("format")
                                                                                  : QStringLiteral("name");
        QMutexLocker lock(&mutex);
        if (!camera.contains(key))
            return {true, ScriptRun::ErrorRecord{-1728, QStringLiteral("Can't get ") + key}, std::nullopt};
        if (const QRegularExpressionMatch set = setTo.match(source); set.hasMatch())
            camera.insert(key, set.captured(1));
        return answered(camera.value(key));
    }
    void release() {
        holding = false;
        gate.release(100);
    }

    const QString captureOne = QStringLiteral("com.captureone.captureone16");
    QMutex mutex;
    // False plays a system with no scripting bridge, as Linux.
    bool reaches = true;
    QStringList running{captureOne};
    // By what a script asks: "app version", "name", "format" or an attribute's name.
    QHash<QString, QString> camera;
    std::function<ScriptRun(const QString&)> answer = [this](const QString& source) {
        return answerFromCamera(source);
    };
    QHash<QString, QVariant> preferences;
    QStringList sent;
    std::atomic_int runs = 0;
    QStringList synchronized;
    std::atomic_bool holding = false;
    QSemaphore gate;
};
