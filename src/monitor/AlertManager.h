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
    // The end of the slot's snooze while it is in force; none otherwise.
    std::optional<QDateTime> snoozedUntil(TargetSlot slot) const;
    void escalateAll();
    // Disable: logged, then evaluated. Re-enable drops the slot's snooze too; its
    // log line belongs to the monitor loop.
    void disable(TargetSlot slot);
    void reEnable(TargetSlot slot);
    bool isDisabled(TargetSlot slot) const;
    // Empties the states and silences without a log line (monitoring reset).
    void clear();

    std::optional<SignalState> playingState() const;
    // The marginal sound's repeat, while it runs; the tick is public so that tests
    // can play time forward.
    std::optional<std::chrono::milliseconds> repeatInterval() const;
    void repeatTick();
    // Audio alerts are on but there is no output to play them on, as of the last
    // evaluation.
    bool isSilentForLackOfOutput() const { return silentForLackOfOutput; }

private:
    // Takes note of the current output while audio alerts are on; true when it
    // changed since the last look.
    bool followOutput();
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
    QHash<TargetSlot, QDateTime> snoozeDeadlines;
    QSet<TargetSlot> disabledTargets;
    std::optional<SignalState> playing;
    std::optional<QByteArray> knownOutput;
    bool silentForLackOfOutput = false;
};
