#pragma once

#include "platform/SoundPlayer.h"

// For the terminal, where alerts are shown as text: every sound "plays" without a
// sound. It reports success so that an alert is not retried and logged again at
// every poll as an unplayable sound would be.
class SilentSoundPlayer final : public SoundPlayer {
public:
    bool play(const QString&, bool) override { return true; }
    void stop() override {}
};
