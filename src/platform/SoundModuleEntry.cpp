// The sound module's one entry point, resolved by LoadedSoundPlayer.
#include "platform/QtSoundPlayer.h"

extern "C" Q_DECL_EXPORT SoundPlayer* veltranoCreateSoundPlayer() {
    return new QtSoundPlayer;
}
