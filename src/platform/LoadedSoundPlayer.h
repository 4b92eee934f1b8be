#pragma once

#include "platform/SoundPlayer.h"

#include <QLibrary>
#include <QStringList>
#include <memory>

// Plays through the sound module, which is loaded at the first play or output
// query: the sound stack (Qt Multimedia, the sound-server client and its codecs)
// then stays out of a tray whose audio alerts are off. Where no module loads,
// nothing plays and no output is reported. Main thread only.
class LoadedSoundPlayer : public SoundPlayer {
public:
    // The places the program's own module is looked for: beside the program (a
    // build tree), then the installed module folder.
    static QStringList installedModulePaths();

    explicit LoadedSoundPlayer(QStringList modulePaths = installedModulePaths());
    ~LoadedSoundPlayer() override;

    bool play(const QString& name, bool loop) override;
    void stop() override;
    std::optional<QByteArray> defaultOutput() const override;

private:
    SoundPlayer* loaded() const;

    QStringList modulePaths;
    // Never unloaded: the sound stack's libraries keep exit-time clean-ups of
    // their own, which must find their code still mapped.
    mutable QLibrary module;
    mutable std::unique_ptr<SoundPlayer> player;
    mutable bool triedLoading = false;
};
