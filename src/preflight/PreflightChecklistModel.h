#pragma once

#include "platform/Clock.h"
#include "preflight/CaptureOneManager.h"
#include "preflight/PreflightCheckItem.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

// The thirteen pre-flight items, their checks and fixes, and the pass that walks
// them in order and stops at the first failure. Main thread only; every status
// lands in a later turn of the main loop, also for checks that answer at once.
class PreflightChecklistModel : public QObject {
    Q_OBJECT
public:
    // A script that has not answered by `scriptDeadline` fails its item, so a
    // Capture One that hangs cannot keep a pass waiting for ever.
    PreflightChecklistModel(CaptureOneManager& manager, const Clock& clock,
                            std::chrono::milliseconds scriptDeadline = std::chrono::seconds(30),
                            QObject* parent = nullptr);

    // Whether the first run of digits and dots in `version` is at least `required`.
    static bool compareVersions(const QString& version, const QString& required);
    // The camera's clock (seconds since the epoch, as Capture One reads it)
    // against `now`: within a minute either way passes.
    static PreflightStatus clockStatus(const QString& value, const QDateTime& now);

    const QList<PreflightCheckItem>& items() const { return checklist; }
    bool isRunningAll() const { return runningAll; }
    std::optional<int> runFailedAtIndex() const { return failedAtIndex; }
    bool isComplete() const;

    // Starts a pass, or resumes the one that stopped, at the item it stopped on.
    void runAll();
    void checkItem(int id);
    // Runs the item's fix, then checks it again whatever the fix reported.
    void applyFix(int id);

Q_SIGNALS:
    void itemStatusChanged(int index);
    void runStateChanged();

private:
    using StatusDone = std::function<void(const PreflightStatus&)>;

    void buildItems();
    void startCheck(int index, StatusDone apply);
    void runStep(int index, quint64 pass);
    void setStatus(int index, const PreflightStatus& status);
    void setRunState(bool running, std::optional<int> failedAt);

    CaptureOneManager& manager;
    const Clock& clock;
    const std::chrono::milliseconds scriptDeadline;
    QList<PreflightCheckItem> checklist;
    bool runningAll = false;
    std::optional<int> failedAtIndex;
    // Bumped by each runAll, so a pass started again drops the steps of the old one.
    quint64 passGeneration = 0;
};
