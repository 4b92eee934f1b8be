#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Plays the two alert sounds, "Tink" and "Blow". Main thread only.
class SoundPlayer {
public:
    SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;
    virtual ~SoundPlayer() = default;

    // Starts the named sound, once or looping until stopped, replacing whatever was
    // playing. False when it cannot be played (unknown name, no audio output, a
    // sound that failed to load): nothing sounds then. Never blocks.
    virtual bool play(const QString& name, bool loop) = 0;
    virtual void stop() = 0;
    // The output a play would use now, by its identity; none when there is none.
    // Quick enough to ask every second.
    virtual std::optional<QByteArray> defaultOutput() const = 0;
};
