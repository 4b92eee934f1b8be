#include "monitor/AlertManager.h"

#include "logs/EventLogger.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

const QString criticalSound = QStringLiteral("Tink");
const QString marginalSound = QStringLiteral("Blow");
constexpr auto marginalRepeat = 1500ms;

} // namespace

AlertManager::AlertManager(const SettingsStore& settings, SoundPlayer& player, const Clock& clock,
                           QObject* parent)
    : QObject(parent)
    , settings(settings)
    , player(player)
    , clock(clock) {
    // The timer belongs to the manager, so no tick outlives it.
    connect(&audioTimer, &QTimer::timeout, this, &AlertManager::repeatTick);
}

void AlertManager::setState(TargetSlot slot, SignalState state) {
    states.insert(slot, state);
}

std::optional<SignalState> AlertManager::state(TargetSlot slot) const {
    const auto found = states.constFind(slot);
    if (found == states.constEnd())
        return std::nullopt;
    return *found;
}

void AlertManager::evaluate() {
    if (!settings.readBool(SettingsKey::audioEnabled)) {
        stopSound();
        playing.reset();
        // Not even the output is asked for: that alone brings up the sound stack
        // (a sound-server connection and its thread) in a program that is silent.
        silentForLackOfOutput = false;
        return;
    }
    const bool outputChanged = followOutput();

    const QDateTime now = clock.now();
    bool anyCritical = false;
    bool anyMarginal = false;
    for (auto it = states.constBegin(); it != states.constEnd(); ++it) {
        if (disabledTargets.contains(it.key()))
            continue;
        const auto deadline = snoozeDeadlines.constFind(it.key());
        if (deadline != snoozeDeadlines.constEnd() && now < *deadline)
            continue;
        anyCritical = anyCritical || it.value() == SignalState::critical;
        anyMarginal = anyMarginal || it.value() == SignalState::marginal;
    }

    const bool warnOnMarginal =
        settings.readString(SettingsKey::audioThreshold).value_or(QStringLiteral("Marginal")) ==
        QStringLiteral("Marginal");

    if (anyCritical) {
        // A loop started on an output that has since gone (a headset unplugged,
        // the sound server restarted) plays into nothing: it starts again on the
        // new one. An alarm that could not start is retried, but logged once.
        if (playing == SignalState::critical && currentSound && !outputChanged)
            return;
        if (playing != SignalState::critical) {
            playing = SignalState::critical;
            logInfo(VtCode::alertTriggered, QStringLiteral("critical"));
        }
        playLooping(criticalSound);
    } else if (anyMarginal && warnOnMarginal) {
        if (playing == SignalState::marginal && audioTimer.isActive())
            return;
        playing = SignalState::marginal;
        logInfo(VtCode::alertTriggered, QStringLiteral("marginal"));
        playRepeating(marginalSound, marginalRepeat);
    } else if (playing) {
        playing.reset();
        logInfo(VtCode::alertCleared, QString());
        stopSound();
    }
}

void AlertManager::snooze(TargetSlot slot, int minutes) {
    logInfo(VtCode::alertSnoozed, QString::number(minutes) + QLatin1Char('m'));
    snoozeDeadlines.insert(slot, clock.now().addSecs(qint64(minutes) * 60));
    evaluate();
}

std::optional<QDateTime> AlertManager::snoozedUntil(TargetSlot slot) const {
    const auto deadline = snoozeDeadlines.constFind(slot);
    if (deadline == snoozeDeadlines.constEnd() || clock.now() >= *deadline)
        return std::nullopt;
    return *deadline;
}

void AlertManager::escalateAll() {
    for (auto it = states.begin(); it != states.end(); ++it)
        it.value() = SignalState::critical;
    evaluate();
}

void AlertManager::disable(TargetSlot slot) {
    logInfo(VtCode::alertDisabled, QString());
    disabledTargets.insert(slot);
    evaluate();
}

void AlertManager::reEnable(TargetSlot slot) {
    disabledTargets.remove(slot);
    snoozeDeadlines.remove(slot);
    evaluate();
}

bool AlertManager::isDisabled(TargetSlot slot) const {
    return disabledTargets.contains(slot);
}

void AlertManager::clear() {
    states.clear();
    playing.reset();
    stopSound();
}

std::optional<SignalState> AlertManager::playingState() const {
    return playing;
}

std::optional<std::chrono::milliseconds> AlertManager::repeatInterval() const {
    if (!audioTimer.isActive())
        return std::nullopt;
    return audioTimer.intervalAsDuration();
}

void AlertManager::repeatTick() {
    playOnce(repeatedSound);
}

bool AlertManager::followOutput() {
    const std::optional<QByteArray> output = player.defaultOutput();
    const bool changed = output != knownOutput;
    knownOutput = output;
    const bool silent = !output;
    if (silent != silentForLackOfOutput) {
        silentForLackOfOutput = silent;
        if (silent)
            logError(VtCode::alertDisabled, QStringLiteral("no sound output \u2014 alerts are silent"));
        else
            logInfo(VtCode::alertReEnabled, QStringLiteral("sound output back"));
    }
    return changed;
}

void AlertManager::stopSound() {
    audioTimer.stop();
    if (currentSound) {
        player.stop();
        currentSound.reset();
    }
}

void AlertManager::playLooping(const QString& name) {
    stopSound();
    if (player.play(name, true))
        currentSound = name;
}

void AlertManager::playOnce(const QString& name) {
    if (player.play(name, false))
        currentSound = name;
    else
        currentSound.reset();
}

void AlertManager::playRepeating(const QString& name, std::chrono::milliseconds interval) {
    stopSound();
    playOnce(name);
    repeatedSound = name;
    audioTimer.start(interval);
}
