#pragma once

#include "platform/SoundPlayer.h"

#include <QList>
#include <QString>

// Records what the alert manager asked to hear. With `failPlays` set every play
// is refused, as when there is no audio output.
class FakeSoundPlayer : public SoundPlayer {
public:
    struct Play {
        QString name;
        bool loop = false;
        bool operator==(const Play&) const = default;
    };

    bool play(const QString& name, bool loop) override {
        plays.append({name, loop});
        events.append(loop ? QStringLiteral("loop ") + name : QStringLiteral("play ") + name);
        return !failPlays;
    }
    void stop() override {
        ++stops;
        events.append(QStringLiteral("stop"));
    }

    bool failPlays = false;
    QList<Play> plays;
    int stops = 0;
    // Plays and stops in the order they came: "loop Tink", "play Blow", "stop".
    QStringList events;
};
