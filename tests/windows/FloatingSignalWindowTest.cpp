#include "windows/FloatingSignalWindow.h"

#include "TestEnvironment.h"
#include "display/FloatingSignalState.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/DisplayFont.h"

#include <QApplication>
#include <QFontInfo>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// As the window system reports a size it gave the window: a user's drag, a
// maximise or a tiling window manager alike. It goes through the native window, so
// the widget's own size limits do not apply: some window managers ignore them.
void resizeFromWindowSystem(QWidget& window, QSize size) {
    window.windowHandle()->resize(size);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.size(), size);
}

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

    resizeFromWindowSystem(window, QSize(300, 270));
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

// Only a size the user could have chosen is kept: not one the program asked
// for, nor a tile filling the screen's height, nor a width whose double would
// not fit on the screen (800 x 600 offscreen).
TEST_F(FloatingSignalWindowTest, learnsTheSingleWidthOnlyFromTheUsersResize) {
    window.resize(320, 270);
    resizeFromWindowSystem(window, QSize(350, window.screen()->availableGeometry().height()));
    resizeFromWindowSystem(window, QSize(420, 270));
    window.resize(270, 270);
    window.setSplit(true);
    EXPECT_EQ(window.width(), 540);
}

TEST_F(FloatingSignalWindowTest, keepOnTopChangesTheShownWindowInPlace) {
    ASSERT_TRUE(window.isVisible());
    const WId native = window.winId();
    const QRect frame = window.geometry();
    int hides = 0;
    QWindow* handle = window.windowHandle();
    struct HideCounter : QObject {
        int& count;
        explicit HideCounter(int& count)
            : count(count) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Hide)
                ++count;
            return false;
        }
    } counter(hides);
    handle->installEventFilter(&counter);
    for (const bool onTop : {true, false}) {
        window.setKeepOnTop(onTop);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.winId(), native) << "a new native window is placed anew by the window manager";
        EXPECT_EQ(window.geometry(), frame);
        EXPECT_EQ(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        EXPECT_EQ(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    }
    EXPECT_EQ(hides, 0) << "an unmapped window is placed anew by the window manager";
}

TEST_F(FloatingSignalWindowTest, closingHidesAndTurnsTheWindowOff) {
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(settings.readBool(SettingsKey::floatingWindowEnabled));

    window.present();
    EXPECT_TRUE(window.isVisible());

    // Qt closes every window on quit: that leaves the window on for the next launch.
    settings.writeBool(SettingsKey::floatingWindowEnabled, true);
    window.closeForQuit();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(settings.readBool(SettingsKey::floatingWindowEnabled));
}

} // namespace
