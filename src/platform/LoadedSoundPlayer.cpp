#include "platform/LoadedSoundPlayer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtDebug>

QStringList LoadedSoundPlayer::installedModulePaths() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString name = QStringLiteral("/" VELTRANO_SOUND_MODULE_NAME);
    return {programDir + name,
            QFileInfo(programDir + QStringLiteral("/" VELTRANO_MODULE_DIR) + name).absoluteFilePath()};
}

LoadedSoundPlayer::LoadedSoundPlayer(QStringList modulePaths)
    : modulePaths(std::move(modulePaths)) {}

LoadedSoundPlayer::~LoadedSoundPlayer() = default;

bool LoadedSoundPlayer::play(const QString& name, bool loop) {
    SoundPlayer* sounds = loaded();
    return sounds && sounds->play(name, loop);
}

void LoadedSoundPlayer::stop() {
    if (player)
        player->stop();
}

std::optional<QByteArray> LoadedSoundPlayer::defaultOutput() const {
    SoundPlayer* sounds = loaded();
    return sounds ? sounds->defaultOutput() : std::nullopt;
}

SoundPlayer* LoadedSoundPlayer::loaded() const {
    if (triedLoading)
        return player.get();
    triedLoading = true;
    QStringList failures;
    for (const QString& path : modulePaths) {
        if (!QFileInfo::exists(path))
            continue;
        module.setFileName(path);
        using Create = SoundPlayer* (*)();
        if (const auto create = reinterpret_cast<Create>(module.resolve("veltranoCreateSoundPlayer"))) {
            player.reset(create());
            return player.get();
        }
        failures.append(module.errorString());
    }
    // A fault of the installation, not of the moment: said once, where a
    // packager or a bug report sees it.
    qWarning().noquote() << "No sound module loads, so no alert will sound:"
                         << (failures.isEmpty()
                                 ? QStringLiteral("none in ") + modulePaths.join(QStringLiteral(", "))
                                 : failures.join(QStringLiteral("; ")));
    return nullptr;
}
