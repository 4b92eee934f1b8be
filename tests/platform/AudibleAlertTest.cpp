#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "monitor/AlertManager.h"
#include "platform/Clock.h"
#include "platform/QtSoundPlayer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Records a sound server's source as 16-bit mono samples and tells how loud the
// samples since the last `restart` were.
class SourceRecording {
public:
    explicit SourceRecording(const QString& source) {
        parec.setProgram(QStringLiteral("parec"));
        parec.setArguments({QStringLiteral("--device=") + source, QStringLiteral("--raw"),
                            QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                            QStringLiteral("--rate=16000"), QStringLiteral("--latency-msec=20")});
        parec.setReadChannel(QProcess::StandardOutput);
    }
    ~SourceRecording() {
        parec.kill();
        parec.waitForFinished(2000);
    }

    bool start() {
        parec.start();
        // The monitor delivers silence while nothing plays, so data means recording.
        return parec.waitForStarted(5000) && waitUntil([this] { return parec.bytesAvailable() > 0; });
    }
    void restart() {
        parec.readAll();
        peak = 0;
    }
    // The largest sample magnitude recorded since `restart`.
    int loudest() {
        const QByteArray data = parec.readAll();
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(data.constData() + i))));
        return peak;
    }

private:
    QProcess parec;
    int peak = 0;
};

void runMainQueueFor(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    waitUntil([&] { return elapsed.elapsed() >= milliseconds; }, milliseconds + 1000);
}

// Well above the noise of a null sink (exact zeros) and far below the sounds,
// which peak near half of full scale.
constexpr int audible = 1000;

TEST(AudibleAlert, CriticalLoopsTinkUntilClearedThenSilence) {
    const QString monitor = qEnvironmentVariable("VELTRANO_PULSE_MONITOR");
    if (monitor.isEmpty())
        GTEST_SKIP() << "needs the private sound server that run-with-pulseaudio.sh starts";

    TestEnvironment environment;
    SettingsStore settings(environment.path(QStringLiteral("settings.json")));
    settings.writeBool(SettingsKey::audioEnabled, true);
    SystemClock clock;
    QtSoundPlayer player;
    AlertManager alerts(settings, player, clock);
    SourceRecording recording(monitor);
    ASSERT_TRUE(recording.start());

    recording.restart();
    runMainQueueFor(500);
    ASSERT_LT(recording.loudest(), audible) << "the sink was not silent before the alert";

    alerts.setState(TargetSlot::a, SignalState::critical);
    alerts.evaluate();
    ASSERT_EQ(alerts.playingState(), SignalState::critical);
    EXPECT_TRUE(waitUntil([&] { return recording.loudest() >= audible; }, 3000)) << "Tink was not heard";

    // One Tink lasts 0.35 s; still sounding a second later means it loops.
    runMainQueueFor(1000);
    recording.restart();
    EXPECT_TRUE(waitUntil([&] { return recording.loudest() >= audible; }, 1000)) << "Tink did not loop";

    alerts.clear();
    // What the server had buffered may still come out; after that, silence.
    runMainQueueFor(500);
    recording.restart();
    runMainQueueFor(1500);
    EXPECT_LT(recording.loudest(), audible) << "the sound went on after clearing";
}

} // namespace
