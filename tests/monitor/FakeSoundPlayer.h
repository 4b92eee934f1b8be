#pragma once

#include "platform/SoundPlayer.h"

#include <QStringList>

// Records what the alert manager asked to hear, in order: "loop Tink", "play Blow",
// "stop". With `failPlays` set every play is refused, as when there is no audio output.
class FakeSoundPlayer : public SoundPlayer {
public:
    bool play(const QString& name, bool loop) override {
        events.append((loop ? QStringLiteral("loop ") : QStringLiteral("play ")) + name);
        return !failPlays;
    }
    void stop() override { events.append(QStringLiteral("stop")); }

    bool failPlays = false;
    QStringList events;
};
