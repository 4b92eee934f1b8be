#pragma once

#include "preflight/ApplicationScripting.h"
#include "preflight/ScriptResult.h"

#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>

// Talks to Capture One for the pre-flight checklist: scripts sent to the running
// application, and its preference domain read and written directly. It never
// starts Capture One: a script goes out only while Capture One already runs.
class CaptureOneManager {
public:
    using Completion = std::function<void(const ScriptResult&)>;

    CaptureOneManager(std::shared_ptr<ApplicationScripting> scripting, QThreadPool& pool);

    const QString bundleIdentifier = QStringLiteral("com.captureone.captureone16");

    // Whether this system could talk to Capture One at all.
    bool isReachable() const { return scripting->reachesApplications(); }
    bool isRunning() const;
    // Blocks the calling thread for the whole exchange with Capture One.
    ScriptResult runScript(const QString& source) const;
    // Runs `source` on the pool; `completion` is called once, on the main thread,
    // with `notRunning` when this manager is gone before the script could start.
    void runScriptAsync(const QString& source, Completion completion) const;

    // `body` behind the prologue that makes the first tethered camera current.
    QString cameraScript(const QString& body) const;
    void readCameraAttribute(const QString& attributeName, Completion completion) const;
    void setImageFormat(const QString& format, Completion completion) const;
    void setSaveTo(const QString& value, Completion completion) const;

    // Absent when Capture One has no readable provider set yet.
    std::optional<bool> canonWirelessPreference() const;
    bool saveToCardPreference() const;
    bool fetchOnConnectPreference() const;
    // Capture One reads these at its start, so they take effect after a relaunch.
    void setCanonWireless(bool enabled);
    void enablePreference(const QString& key);

private:
    static ScriptResult runScriptWith(ApplicationScripting& scripting, const QString& bundleIdentifier,
                                      const QString& source);
    std::optional<bool> booleanPreference(const QString& key) const;

    std::shared_ptr<ApplicationScripting> scripting;
    QThreadPool& pool;
};
