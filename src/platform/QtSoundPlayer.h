#pragma once

#include "platform/SoundPlayer.h"

#include <QString>
#include <map>
#include <memory>

class QSoundEffect;

// Plays the bundled alert sounds through Qt Multimedia. Where there is no audio
// output, or a sound failed to load, nothing plays and `play` says so; neither
// ever blocks the caller. Main thread only.
class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    bool play(const QString& name, bool loop) override;
    void stop() override;
    std::optional<QByteArray> defaultOutput() const override;

private:
    // Loaded at a sound's first play, not at start: creating one brings up the
    // sound stack (a sound-server connection and its thread), which a program
    // with audio alerts off never needs.
    std::map<QString, std::unique_ptr<QSoundEffect>> effectsByName;
};
