#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <optional>

class Clock;
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

private:
    void stopSound();
    void playLooping(const QString& name);
    void playOnce(const QString& name);
    void playRepeating(const QString& name, std::chrono::milliseconds interval);

    const SettingsStore& settings;
    SoundPlayer& player;
    const Clock& clock;

    // Repeats the marginal sound; running exactly while it is scheduled.
    QTimer audioTimer;
    QString repeatedSound;
    // The sound playing or last played; none after a play the player refused, so
    // that a critical alert is started again at the next evaluation.
    std::optional<QString> currentSound;
    QHash<TargetSlot, SignalState> states;
    QHash<TargetSlot, QDateTime> snoozedUntil;
    QSet<TargetSlot> disabledTargets;
    std::optional<SignalState> playing;
};
