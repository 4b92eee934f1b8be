#include "windows/SettingsWindow.h"

#include "FakeClientListSource.h"
#include "FakeSettingsWindowActions.h"
#include "TestEnvironment.h"
#include "app/FakeRouterConnector.h"
#include "app/RouterConnectionFlow.h"
#include "logs/SessionLog.h"
#include "monitor/FakeRouterService.h"
#include "monitor/TargetSlot.h"
#include "router/MemoryCredentialStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/PreflightChecklistView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest() {
        router.gateways = {{QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1 \u2014 Studio")}};
        settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
        settings.writeString(SettingsKey::detectedRouterType, QStringLiteral("glinet"));
    }

    template <typename T> T* child(const QString& name) {
        T* found = window.findChild<T*>(name);
        EXPECT_TRUE(found) << name.toStdString();
        return found;
    }
    bool shown(QWidget* widget) { return widget->isVisibleTo(&window); }

    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    SessionLog log{env.dataHome() + QStringLiteral("/Veltrano/session_log.json")};
    MemoryCredentialStore credentials;
    FakeRouterConnector connector;
    FakeRouterService router;
    RouterConnectionFlow flow{settings,
                              credentials,
                              connector,
                              router,
                              log,
                              [](const QString&, DetectionCompletion answer) { answer({.family = QStringLiteral("glinet")}); }};
    FakeClientListSource clients;
    FakeSettingsWindowActions actions{flow, clients};
    SettingsWindow window{settings, actions};
};

// Slot b and "Label Style" only for the router with slot b set; "Reset
// Bandwidth Stats" only with the developer switch on; the snooze takes the
// chosen duration.
TEST_F(SettingsWindowTest, RowsFollowModeSlotBAndDeveloperSwitch) {
    settings.writeString(SettingsKey::targetMAC, QStringLiteral("78:F5:05:AA:BB:01"));
    settings.writeString(SettingsKey::targetMAC2, QStringLiteral("78:F5:05:AA:BB:02"));
    window.present();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Veltrano Settings"));
    QWidget* labelStyle = child<QComboBox>(SettingsKey::targetLabelStyle)->parentWidget();
    EXPECT_TRUE(shown(child<QWidget>(QStringLiteral("slotRowB"))));
    EXPECT_TRUE(shown(labelStyle));
    EXPECT_FALSE(shown(child<QPushButton>(QStringLiteral("resetBandwidthStats"))));

    child<QCheckBox>(SettingsKey::showDev)->click();
    EXPECT_TRUE(settings.readBool(SettingsKey::showDev));
    EXPECT_TRUE(shown(child<QPushButton>(QStringLiteral("resetBandwidthStats"))));
    child<QComboBox>(SettingsKey::monitoringMode)->setCurrentIndex(1);
    EXPECT_EQ(settings.readString(SettingsKey::monitoringMode), QStringLiteral("wifi"));
    EXPECT_FALSE(shown(child<QWidget>(QStringLiteral("slotRowB"))));
    EXPECT_FALSE(shown(labelStyle));
    EXPECT_TRUE(shown(child<QWidget>(QStringLiteral("slotRowA"))));
    EXPECT_FALSE(shown(child<QLineEdit>(SettingsKey::routerIP)));

    child<QComboBox>(QStringLiteral("snoozeDuration"))->setCurrentIndex(2);
    child<QPushButton>(QStringLiteral("snooze"))->click();
    EXPECT_EQ(actions.snoozedMinutes, 15);

    // The checklist window is made once, over the shell's model.
    child<QPushButton>(QStringLiteral("preflightChecklist"))->click();
    child<QPushButton>(QStringLiteral("preflightChecklist"))->click();
    const QList<PreflightChecklistView*> checklists = window.findChildren<PreflightChecklistView*>();
    ASSERT_EQ(checklists.size(), 1);
    EXPECT_TRUE(checklists.front()->isVisible());
}

// Connected, the credentials cannot be edited; "Disconnect" frees them. The
// password's length shows only while it is hidden.
TEST_F(SettingsWindowTest, CredentialsLockWhileConnected) {
    settings.writeBool(SettingsKey::routerConnected, true);
    window.present();
    auto* password = child<QLineEdit>(QStringLiteral("localPassword"));
    auto* button = child<QPushButton>(QStringLiteral("connectButton"));
    EXPECT_FALSE(child<QLineEdit>(SettingsKey::routerUsername)->isEnabled());
    EXPECT_FALSE(password->isEnabled());
    EXPECT_EQ(button->text(), QStringLiteral("Disconnect"));

    button->click();
    EXPECT_EQ(button->text(), QStringLiteral("Connect"));
    EXPECT_TRUE(password->isEnabled());
    QTest::keyClicks(password, QStringLiteral("abc"));
    auto* count = child<QLabel>(QStringLiteral("characterCount"));
    EXPECT_TRUE(shown(count));
    EXPECT_EQ(count->text(), QStringLiteral("3 characters entered"));
    QTest::mouseClick(child<QWidget>(QStringLiteral("showPassword")), Qt::LeftButton);
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    EXPECT_FALSE(shown(count));
}

// Only 0 turns "Record signal history" off: switching on brings back a year,
// and a length chosen elsewhere shows on and is kept.
TEST_F(SettingsWindowTest, HistorySwitchKeepsAnyLengthButZero) {
    settings.writeInt(SettingsKey::historyDays, 30);
    window.present();
    auto* record = child<QCheckBox>(SettingsKey::historyDays);
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(settings.readInt(SettingsKey::historyDays), 30);
    record->click();
    EXPECT_EQ(settings.readInt(SettingsKey::historyDays), 0);
    record->click();
    EXPECT_EQ(settings.readInt(SettingsKey::historyDays), 365);
}

// While shown, the window takes in what another process writes within a
// second; a name being typed is written once, when the user leaves the field,
// and is not undone by those reloads meanwhile. The first placement fits the
// screen (the offscreen one is 600 px tall).
TEST_F(SettingsWindowTest, FollowsOthersWritesAndWritesTypingOnceDone) {
    const QString camera = QStringLiteral("78:F5:05:AA:BB:01");
    settings.writeString(SettingsKey::targetMAC, camera);
    window.present();
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.geometry())) << window.height();

    SettingsStore cli(settings.filePath());
    cli.writeString(slotNameKey(TargetSlot::a), QStringLiteral("Studio R5"));
    cli.writeBool(SettingsKey::routerConnected, true);
    auto* name = child<QLineEdit>(slotNameKey(TargetSlot::a));
    auto* button = child<QPushButton>(QStringLiteral("connectButton"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return name->text() == QStringLiteral("Studio R5") &&
                   button->text() == QStringLiteral("Disconnect");
        },
        1500));

    name->setFocus();
    QTest::keyClicks(name, QStringLiteral(" II"));
    EXPECT_EQ(settings.readString(slotNameKey(TargetSlot::a)), QStringLiteral("Studio R5"));
    cli.writeBool(SettingsKey::showDev, true);
    ASSERT_TRUE(
        waitUntil([&] { return shown(child<QPushButton>(QStringLiteral("resetBandwidthStats"))); }, 1500));
    EXPECT_EQ(name->text(), QStringLiteral("Studio R5 II"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(settings.readString(slotNameKey(TargetSlot::a)), QStringLiteral("Studio R5 II"));
    EXPECT_EQ(settings.readDictionary(SettingsKey::deviceNameRegistry).value(camera),
              QStringLiteral("Studio R5 II"));
}

} // namespace
