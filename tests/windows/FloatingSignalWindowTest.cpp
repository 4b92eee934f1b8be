#include "windows/FloatingSignalWindow.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "display/FloatingSignalState.h"
#include "windows/DisplayFont.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

class FloatingSignalWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.writeBool(SettingsKey::floatingWindowEnabled, true);
        window.present(settingsFrame);
    }

    // Within the offscreen screen (800 x 600), with room for the split window.
    const QRect settingsFrame{600, 50, 150, 500};
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    FloatingSignalState state;
    FloatingSignalWindow window{state, settings};
};

TEST_F(FloatingSignalWindowTest, splitDoublesAroundTheCentreAndKeepsTheUsersSingleWidth) {
    EXPECT_EQ(QFontInfo(DisplayFont::idFont()).family(), QStringLiteral("League Spartan"));
    EXPECT_EQ(window.size(), QSize(270, 270));
    // Left of the settings window, centred on its height.
    EXPECT_EQ(window.geometry().center().y(), settingsFrame.center().y());
    EXPECT_LT(window.geometry().right(), settingsFrame.left());

    window.resize(300, 270);
    const int centre = window.geometry().x() + 150;
    window.setSplit(true);
    EXPECT_EQ(window.width(), 600);
    EXPECT_EQ(window.geometry().x() + 300, centre);

    window.setSplit(true);
    EXPECT_EQ(window.width(), 600) << "only a change of mode resizes";
    window.setSplit(false);
    EXPECT_EQ(window.width(), 300);
    EXPECT_EQ(window.geometry().x() + 150, centre);

    window.setGeometry(10, 100, 300, 270);
    window.setSplit(true);
    EXPECT_EQ(window.geometry(), QRect(0, 100, 600, 270)) << "at the screen's edge it grows inwards";
}

TEST_F(FloatingSignalWindowTest, closingHidesAndTurnsTheWindowOff) {
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(settings.readBool(SettingsKey::floatingWindowEnabled));

    window.present();
    EXPECT_TRUE(window.isVisible());
}

} // namespace
