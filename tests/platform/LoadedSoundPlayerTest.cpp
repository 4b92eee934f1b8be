#include "platform/LoadedSoundPlayer.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// What is loud: far above a null sink's exact zeros, far below the sounds, which
// peak near half of full scale.
constexpr int audible = 1000;

// The largest 16-bit sample magnitude in `data`.
int loudest(const QByteArray& data) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(data.constData() + i))));
    return peak;
}

// Records the private server's null sink (run-with-pulseaudio.sh) and hears the
// alert come out of it.
TEST(LoadedSoundPlayer, PlaysIntoTheSoundServersOutput) {
    const QString monitor = qEnvironmentVariable("VELTRANO_PULSE_MONITOR");
    if (monitor.isEmpty())
        GTEST_SKIP() << "needs the private sound server that run-with-pulseaudio.sh starts";
    QProcess parec;
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--device=") + monitor, QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                 QStringLiteral("--rate=16000"), QStringLiteral("--latency-msec=20")});
    // The monitor delivers silence while nothing plays, so data means recording.
    ASSERT_TRUE(parec.waitForStarted(5000) && waitUntil([&] { return parec.bytesAvailable() > 0; }));
    ASSERT_LT(loudest(parec.readAll()), audible) << "the sink was not silent before the alert";

    // Nothing of the sound stack comes up before a sound is asked for, not even
    // its libraries or the sound-server connection with its thread: audio alerts
    // may be off.
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).count(); };
    const auto soundStackMapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
    };
    const qsizetype before = threads();
    LoadedSoundPlayer player{{QStringLiteral(VELTRANO_SOUND_MODULE)}};
    player.stop();
    EXPECT_EQ(threads(), before);
    EXPECT_FALSE(soundStackMapped());
    EXPECT_TRUE(player.play(QStringLiteral("Tink"), false));
    EXPECT_TRUE(soundStackMapped());
    QByteArray heard;
    EXPECT_TRUE(waitUntil([&] { return loudest(heard += parec.readAll()) >= audible; }, 3000)) << "not heard";
    parec.kill();
    parec.waitForFinished(2000);
}

// A machine without audio output: the client is pointed at a server that is not there.
TEST(LoadedSoundPlayer, WithoutAnOutputRefusesAtOnce) {
    const TestEnvironment environment;
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(environment.path(QStringLiteral("no-server"))));
    LoadedSoundPlayer player{{QStringLiteral(VELTRANO_SOUND_MODULE)}};
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(player.play(QStringLiteral("Tink"), true));
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_EQ(player.defaultOutput(), std::nullopt);
}

// An installation without its module is quiet, not broken.
TEST(LoadedSoundPlayer, WithoutItsModulePlaysNothing) {
    const TestEnvironment environment;
    LoadedSoundPlayer player{{environment.path(QStringLiteral("veltrano-sound.so"))}};
    EXPECT_FALSE(player.play(QStringLiteral("Tink"), false));
    EXPECT_EQ(player.defaultOutput(), std::nullopt);
    player.stop();
}

} // namespace
