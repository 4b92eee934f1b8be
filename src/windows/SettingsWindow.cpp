#include "windows/SettingsWindow.h"

#include "app/RouterConnectionFlow.h"
#include "app/SettingsWindowActions.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "windows/KeepOnTop.h"
#include "windows/PreflightChecklistView.h"
#include "windows/RouterCard.h"
#include "windows/ScreenFit.h"
#include "windows/SystemCard.h"
#include "windows/TargetDeviceCard.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr QSize windowSize(400, 890);
constexpr auto fitInterval = std::chrono::milliseconds(300);
constexpr int shortestFit = 300;
constexpr int screenMargin = 40;

} // namespace

SettingsWindow::SettingsWindow(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , settings(settings)
    , actions(actions)
    , column(new QWidget) {
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Veltrano Settings"));
    resize(windowSize);
    auto* cardsLayout = new QVBoxLayout(column);
    cardsLayout->setContentsMargins(16, 16, 16, 16);
    cardsLayout->setSpacing(14);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(column);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    addCard(monitoringCard());
    routerCard = addCard(new RouterCard(settings, actions.connectionFlow()));
    addCard(new TargetDeviceCard(settings, actions));
    addCard(preflightCard());
    addCard(alertsCard());
    addCard(displayCard());
    systemCard = new SystemCard(settings, actions);
    addCard(systemCard);
    cardsLayout->addStretch(1);
    // The family detected and the connection made change notes in other cards.
    connect(&actions.connectionFlow(), &RouterConnectionFlow::changed, this, &SettingsWindow::reloadCards);

    setKeepOnTop(routerCard->boolSetting(SettingsKey::settingsWindowOnTop));
    shownTimer.setInterval(fitInterval);
    connect(&shownTimer, &QTimer::timeout, this, [this] {
        followSettings();
        fitToContent();
    });
}

SettingsCard* SettingsWindow::addCard(SettingsCard* card) {
    cards.append(card);
    column->layout()->addWidget(card);
    connect(card, &SettingsCard::edited, this, &SettingsWindow::reloadCards);
    return card;
}

SettingsCard* SettingsWindow::monitoringCard() {
    auto* card = new SettingsCard(QStringLiteral("Monitoring"),
                                  QStringLiteral("dot.radiowaves.left.and.right"), settings);
    card->addPicker(QStringLiteral("Mode"), SettingsKey::monitoringMode, SettingsSchema::modes,
                    SettingsSchema::modeLabels);
    return card;
}

SettingsCard* SettingsWindow::preflightCard() {
    auto* card = new SettingsCard(QStringLiteral("2nd Gen Wireless Tethering"),
                                  QStringLiteral("bolt.badge.checkmark"), settings);
    auto* checklist = new QPushButton(QStringLiteral("Pre-flight Checklist"));
    checklist->setObjectName(QStringLiteral("preflightChecklist"));
    card->body()->addWidget(checklist);
    connect(checklist, &QPushButton::clicked, this, [this] {
        if (!checklistView)
            checklistView =
                new PreflightChecklistView(actions.preflightModel(), actions.computerChecks(), this);
        checklistView->open();
        checklistView->raise();
    });
    return card;
}

SettingsCard* SettingsWindow::alertsCard() {
    auto* card = new SettingsCard(QStringLiteral("Alerts"), QStringLiteral("bell"), settings);
    card->addSwitch(QStringLiteral("Audio Alerts"), SettingsKey::audioEnabled);
    card->addPicker(QStringLiteral("Threshold"), SettingsKey::audioThreshold, SettingsSchema::thresholds,
                    SettingsSchema::thresholds);
    card->addSwitch(QStringLiteral("Desktop Notifications"), SettingsKey::desktopNotifications);
    auto* snooze = new QWidget;
    auto* line = new QHBoxLayout(snooze);
    line->setContentsMargins(0, 0, 0, 0);
    auto* duration = new QComboBox;
    duration->setObjectName(QStringLiteral("snoozeDuration"));
    for (const int minutes : {5, 10, 15})
        duration->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
    auto* snoozeButton = new QPushButton(QStringLiteral("Snooze"));
    snoozeButton->setObjectName(QStringLiteral("snooze"));
    line->addWidget(duration);
    line->addWidget(snoozeButton);
    card->addRow(QStringLiteral("Snooze Audio"), snooze);
    connect(snoozeButton, &QPushButton::clicked, this,
            [this, duration] { actions.snoozeAll(duration->currentData().toInt()); });
    return card;
}

SettingsCard* SettingsWindow::displayCard() {
    auto* card = new SettingsCard(QStringLiteral("Display"), QStringLiteral("macwindow"), settings);
    card->addPicker(QStringLiteral("Menu Bar Style"), SettingsKey::iconStyle, SettingsSchema::iconStyles,
                    SettingsSchema::iconLabels);
    card->addSwitch(QStringLiteral("Floating Window"), SettingsKey::floatingWindowEnabled, [](bool enabled) {
        NotificationCenter::shared().post(NotificationName::floatingWindowToggled, enabled);
    });
    card->addSwitch(QStringLiteral("Keep on Top"), SettingsKey::floatingWindowOnTop, [](bool onTop) {
        NotificationCenter::shared().post(NotificationName::floatingWindowOnTopToggled, onTop);
    });
    const SettingDefinition* historyDays = SettingsSchema::find(SettingsKey::historyDays);
    card->addNonZeroSwitch(QStringLiteral("Record signal history"), SettingsKey::historyDays,
                           historyDays->effectiveDefault->toInt());
    card->addNote(
        QStringLiteral("Keeps every reading for 14 days, then one a minute, for the Signal History window."));
    return card;
}

void SettingsWindow::reloadCards() {
    for (SettingsCard* card : std::as_const(cards))
        card->reload();
    routerCard->setVisible(routerCard->stringSetting(SettingsKey::monitoringMode) ==
                           QStringLiteral("router"));
}

void SettingsWindow::present() {
    if (!placed) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            // A laptop's 768 px, less its panel, is shorter than the window.
            const QRect available = screen->availableGeometry();
            QRect frame(QPoint(0, 0), windowSize);
            frame.moveCenter(available.center());
            frame = fitFrameInto(frame, available);
            resize(frame.size());
            move(frame.topLeft());
        }
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void SettingsWindow::setKeepOnTop(bool onTop) {
    keepOnTop(*this, onTop);
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    systemCard->readBackLaunchAtLogin();
    actions.connectionFlow().appear();
    reloadCards();
    shownRevision = settings.revision();
    fitToContent();
    shownTimer.start();
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    shownTimer.stop();
}

void SettingsWindow::followSettings() {
    const quint64 revision = settings.revision();
    if (revision == shownRevision)
        return;
    shownRevision = revision;
    actions.connectionFlow().follow();
    reloadCards();
}

void SettingsWindow::fitToContent() {
    const int contentHeight = column->sizeHint().height();
    if (contentHeight <= 0)
        return;
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect visible = shownOn ? shownOn->availableGeometry() : QRect(0, 0, 1440, 900);
    const int available = std::max(visible.bottom() - geometry().top() - screenMargin, shortestFit);
    const int target = std::min(std::max(contentHeight, shortestFit), available);
    if (target != height())
        resize(width(), target);
}
