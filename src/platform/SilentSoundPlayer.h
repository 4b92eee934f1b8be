#pragma once

#include "platform/SoundPlayer.h"

// For the terminal, where alerts are shown as text: every sound "plays" without a
// sound, on an output that is always there, so nothing reports alerts as silent.
class SilentSoundPlayer final : public SoundPlayer {
public:
    bool play(const QString&, bool) override { return true; }
    void stop() override {}
    std::optional<QByteArray> defaultOutput() const override { return QByteArrayLiteral("terminal"); }
};
