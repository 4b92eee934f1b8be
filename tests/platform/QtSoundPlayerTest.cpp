#include "platform/QtSoundPlayer.h"

#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// Points the sound client at a server that is not there, so that this test sees
// a machine without audio output whatever runs on the host.
class QtSoundPlayerWithoutOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static TestEnvironment environment;
        const QByteArray socket = QFile::encodeName(environment.path(QStringLiteral("no-server")));
        qputenv("PULSE_SERVER", "unix:" + socket);
    }
};

TEST_F(QtSoundPlayerWithoutOutput, RefusesEverySoundAtOnceAndStopsQuietly) {
    QtSoundPlayer player;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(player.play(QStringLiteral("Tink"), true));
    EXPECT_FALSE(player.play(QStringLiteral("Blow"), false));
    EXPECT_FALSE(player.play(QStringLiteral("Glass"), false));
    player.stop();
    EXPECT_LT(elapsed.elapsed(), 1000);
}

} // namespace
