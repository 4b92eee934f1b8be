#include "platform/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QStringList>
#include <QThread>
#include <QUrl>

namespace {

const QStringList soundNames{QStringLiteral("Tink"), QStringLiteral("Blow")};

// Loading runs in the background; a play before it is done starts the sound
// as soon as it is ready.
std::unique_ptr<QSoundEffect> loadEffect(const QString& name) {
    auto effect = std::make_unique<QSoundEffect>();
    effect->setSource(QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(name)));
    return effect;
}

} // namespace

QtSoundPlayer::QtSoundPlayer() {
    // The sounds live in a static library, whose resources the linker would drop
    // unless something refers to them.
    Q_INIT_RESOURCE(sounds);
}

QtSoundPlayer::~QtSoundPlayer() {
    if (effectsByName.empty())
        return;
    effectsByName.clear();
    // Closing the sounds' streams leaves work to the sound-server client's own
    // thread. Qt frees that thread's loop when the program exits, and a loop
    // freed with such work still pending aborts the program inside PulseAudio.
    // A moment lets it finish: this runs once, when the program quits.
    QThread::msleep(150);
}

bool QtSoundPlayer::play(const QString& name, bool loop) {
    stop();
    if (!soundNames.contains(name))
        return false;
    // Without a sound server Qt still reports an effect as playing, so the
    // output is checked here. Asked at every play: a headset or a sound server
    // may come and go while the program runs. Asked before any sound loads: a
    // load runs on Qt's sample-cache thread, and a program that quits while it
    // is still running can crash or hang in Qt's exit-time clean-up.
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return false;
    std::unique_ptr<QSoundEffect>& loaded = effectsByName[name];
    if (!loaded) {
        loaded = loadEffect(name);
    } else if (loaded->status() == QSoundEffect::Error) {
        // An effect stays in error once its sound or its output failed; a fresh
        // one gets another chance at the next play, since the alert keeps asking.
        loaded = loadEffect(name);
        return false;
    }
    QSoundEffect& effect = *loaded;
    effect.setAudioDevice(output);
    effect.setLoopCount(loop ? QSoundEffect::Infinite : 1);
    effect.play();
    return true;
}

void QtSoundPlayer::stop() {
    for (const auto& [name, effect] : effectsByName)
        effect->stop();
}

std::optional<QByteArray> QtSoundPlayer::defaultOutput() const {
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return std::nullopt;
    return output.id();
}
