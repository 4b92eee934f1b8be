#include "windows/FloatingSignalWindow.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "display/FloatingSignalState.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class FloatingSignalWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.writeBool(SettingsKey::floatingWindowEnabled, true);
        window.present(QRect(1000, 100, 400, 890));
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    FloatingSignalState state;
    FloatingSignalWindow window{state, settings};
};

TEST_F(FloatingSignalWindowTest, splitDoublesAroundTheCentreAndKeepsTheUsersSingleWidth) {
    EXPECT_EQ(window.size(), QSize(270, 270));
    // Left of the settings window, centred on its height.
    EXPECT_EQ(window.geometry().center().y(), QRect(1000, 100, 400, 890).center().y());
    EXPECT_LT(window.geometry().right(), 1000);

    window.resize(300, 270);
    const int centre = window.geometry().x() + 150;
    state.setColorB(Colour::excellentTeal);
    EXPECT_EQ(window.width(), 600);
    EXPECT_EQ(window.geometry().x() + 300, centre);

    state.setLabelA(QStringLiteral("A"));
    EXPECT_EQ(window.width(), 600) << "only a change of mode resizes";
    state.setColorB(std::nullopt);
    EXPECT_EQ(window.width(), 300);
    EXPECT_EQ(window.geometry().x() + 150, centre);
}

TEST_F(FloatingSignalWindowTest, closingHidesAndTurnsTheWindowOff) {
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(settings.readBool(SettingsKey::floatingWindowEnabled));

    window.present();
    EXPECT_TRUE(window.isVisible());
}

} // namespace
