#include "windows/SelectDeviceButton.h"

#include "FakeClientListSource.h"
#include "TestEnvironment.h"
#include "router/DeviceNameRegistry.h"
#include "router/GatewayDiscovery.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/ClientPickerDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

RouterClient client(int number, const QString& ip, bool online = true, const QString& iface = u"5G"_s) {
    RouterClient row;
    row.mac = u"AA:00:00:00:00:0"_s + QString::number(number);
    row.ip = ip;
    row.hostname = u"host-"_s + QString::number(number);
    row.iface = iface;
    row.isOnline = online;
    return row;
}

class SelectDeviceButtonTest : public testing::Test {
protected:
    SelectDeviceButtonTest() { settings.writeBool(SettingsKey::routerConnected, true); }

    QPushButton* selectButton() { return button->findChild<QPushButton*>(u"selectDeviceButton"_s); }
    // Presses "Select Device", answers with `rows` and taps row `tapped` of the picker.
    ClientPickerDialog* pick(const std::optional<QList<RouterClient>>& rows, int tapped) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::mouseClick(selectButton(), Qt::LeftButton);
        source.answer(rows);
        auto* picker = button->findChild<ClientPickerDialog*>();
        if (tapped >= 0)
            QTest::mouseClick(picker->findChildren<QPushButton*>(u"clientRow"_s).at(tapped), Qt::LeftButton);
        return picker;
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(u"settings.json"_s)};
    DeviceNameRegistry names{settings};
    FakeClientListSource source;
    std::unique_ptr<SelectDeviceButton> button =
        std::make_unique<SelectDeviceButton>(settings, names, source);
};

TEST_F(SelectDeviceButtonTest, PicksLocalWirelessClientsIntoSlotAThenSlotB) {
    QTest::mouseClick(selectButton(), Qt::LeftButton);
    QTest::mouseClick(selectButton(), Qt::LeftButton);
    ASSERT_EQ(source.pending.size(), 1u) << "a second press waits for the answer";
    EXPECT_FALSE(selectButton()->isEnabled());
    EXPECT_TRUE(button->findChild<QProgressBar*>()->isVisibleTo(button.get()));
    const QList<RouterClient> rows{
        client(1, u"192.168.8.31"_s, false), client(2, u"192.168.8.32"_s, true, u"cable"_s),
        client(3, u"192.168.9.33"_s), client(4, u"192.168.8.34"_s), client(5, u"192.168.8.35"_s)};
    source.answer(rows);
    EXPECT_TRUE(selectButton()->isEnabled());
    EXPECT_FALSE(button->findChild<QProgressBar*>()->isVisibleTo(button.get()));
    QStringList shown;
    for (QLabel* name : button->findChildren<QLabel*>(u"clientName"_s))
        shown.append(name->text());
    EXPECT_EQ(shown, (QStringList{u"host-4"_s, u"host-5"_s, u"host-1"_s}));

    EXPECT_FALSE(pick(rows, 0)->isVisible());
    EXPECT_EQ(settings.readString(SettingsKey::targetMAC), u"AA:00:00:00:00:04"_s);
    EXPECT_EQ(settings.readString(SettingsKey::targetName), u"host-4"_s);
    EXPECT_EQ(names.name(u"AA:00:00:00:00:04"_s), u"host-4"_s);
    pick(rows, 2);
    EXPECT_EQ(settings.readString(SettingsKey::targetMAC2), u"AA:00:00:00:00:01"_s);
    EXPECT_EQ(settings.readString(SettingsKey::targetName2), u"host-1"_s);

    // An answer that finds the button gone goes nowhere.
    QTest::mouseClick(selectButton(), Qt::LeftButton);
    button.reset();
    source.answer(rows);
}

// An empty list says why: no connection yet, no answer, or a router that
// listed nobody here, counting the cameras on networks this computer is not on.
TEST_F(SelectDeviceButtonTest, WithNoSlotFreeATapShowsTheNoteAndAnEmptyListSaysWhy) {
    settings.writeString(SettingsKey::monitoringMode, u"wifi"_s);
    settings.writeString(SettingsKey::targetMAC, u"AA:00:00:00:00:01"_s);
    RouterClient marked = client(2, u"192.168.8.32"_s);
    marked.hostname = u"<b>R5</b> <img src=\"/etc/x.png\">"_s;
    ClientPickerDialog* picker = pick(QList{marked}, 0);
    EXPECT_TRUE(picker->findChild<QLabel*>(u"bothAssignedNote"_s)->isVisibleTo(picker));
    // A router's name is shown as it was sent, never rendered.
    const QLabel* name = picker->findChild<QLabel*>(u"clientName"_s);
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(name->text(), marked.hostname);
    picker->reject();

    picker = pick(QList{client(3, u"10.0.0.3"_s), client(4, u"10.0.0.4"_s)}, -1);
    EXPECT_EQ(picker->findChild<QLabel*>(u"noClientsLabel"_s)->text(), u"No wireless clients found"_s);
    EXPECT_EQ(picker->findChild<QLabel*>(u"otherNetworksNote"_s)->text(),
              u"2 wireless clients on other networks are not shown"_s);
    picker->reject();

    picker = pick(std::nullopt, -1);
    EXPECT_EQ(picker->findChild<QLabel*>(u"noClientsLabel"_s)->text(),
              u"The router did not answer \u2014 try again"_s);
    EXPECT_FALSE(picker->findChild<QLabel*>(u"otherNetworksNote"_s));
    picker->reject();
    source.refusal = u"Login failed \u2014 check username and password"_s;
    picker = pick(std::nullopt, -1);
    EXPECT_EQ(picker->findChild<QLabel*>(u"noClientsLabel"_s)->text(), *source.refusal);
    picker->reject();

    settings.writeBool(SettingsKey::routerConnected, false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(selectButton(), Qt::LeftButton);
    EXPECT_TRUE(source.pending.empty()) << "the router is not asked";
    ASSERT_TRUE(waitUntil([&] { return button->findChild<ClientPickerDialog*>() != nullptr; }));
    EXPECT_EQ(button->findChild<ClientPickerDialog*>()->findChild<QLabel*>(u"noClientsLabel"_s)->text(),
              u"Connect to the router first"_s);
    EXPECT_TRUE(selectButton()->isEnabled());
}

} // namespace
