#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>

#include <optional>

class Clock;
class QTimer;
class SettingsStore;
class SoundPlayer;

// Turns the latest signal state of each slot into sound: "Tink" looping while any
// active slot is critical, "Blow" every 1.5 s while one is marginal (unless the
// user only wants critical warnings). Snooze and disable are per slot. Main
// thread only.
class AlertManager : public QObject {
    Q_OBJECT
public:
    AlertManager(const SettingsStore& settings, SoundPlayer& player, const Clock& clock,
                 QObject* parent = nullptr);

    // The monitor writes every slot's state on each poll, then evaluates.
    void setState(TargetSlot slot, SignalState state);
    std::optional<SignalState> state(TargetSlot slot) const;
    void evaluate();

    void snooze(TargetSlot slot, int minutes);
    void escalateAll();
    // Disable: logged, then evaluated. Re-enable drops the slot's snooze too; its
    // log line belongs to the monitor loop.
    void disable(TargetSlot slot);
    void reEnable(TargetSlot slot);
    bool isDisabled(TargetSlot slot) const;
    // Empties the states and silences without a log line (monitoring reset).
    void clear();

    std::optional<SignalState> playingState() const;
};
