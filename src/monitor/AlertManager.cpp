#include "monitor/AlertManager.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/EventLogger.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"

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
    connect(&audioTimer, &QTimer::timeout, this, [this] { playOnce(repeatedSound); });
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
        return;
    }

    const QDateTime now = clock.now();
    bool anyCritical = false;
    bool anyMarginal = false;
    for (auto it = states.constBegin(); it != states.constEnd(); ++it) {
        if (disabledTargets.contains(it.key()))
            continue;
        const auto deadline = snoozedUntil.constFind(it.key());
        if (deadline != snoozedUntil.constEnd() && now < *deadline)
            continue;
        anyCritical = anyCritical || it.value() == SignalState::critical;
        anyMarginal = anyMarginal || it.value() == SignalState::marginal;
    }

    const bool warnOnMarginal =
        settings.readString(SettingsKey::audioThreshold).value_or(QStringLiteral("Marginal")) ==
        QStringLiteral("Marginal");

    if (anyCritical) {
        if (playing == SignalState::critical && currentSound)
            return;
        playing = SignalState::critical;
        logInfo(VtCode::alertTriggered, QStringLiteral("critical"));
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
    snoozedUntil.insert(slot, clock.now().addSecs(qint64(minutes) * 60));
    evaluate();
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
    snoozedUntil.remove(slot);
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
