#pragma once

#include "platform/SoundPlayer.h"

#include <QStringList>

// Records what the alert manager asked to hear, in order: "loop Tink", "play Blow",
// "stop". With `failPlays` set every play is refused; `output` is the default
// output, none when the computer has no sound output; `outputAsks` counts the
// looks at it.
class FakeSoundPlayer : public SoundPlayer {
public:
    bool play(const QString& name, bool loop) override {
        events.append((loop ? QStringLiteral("loop ") : QStringLiteral("play ")) + name);
        return !failPlays;
    }
    void stop() override { events.append(QStringLiteral("stop")); }
    std::optional<QByteArray> defaultOutput() const override {
        ++outputAsks;
        return output;
    }

    bool failPlays = false;
    std::optional<QByteArray> output = QByteArrayLiteral("speakers");
    QStringList events;
    mutable int outputAsks = 0;
};
