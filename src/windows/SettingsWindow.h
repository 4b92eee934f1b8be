#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class PreflightChecklistView;
class QScrollArea;
class SettingsCard;
class SettingsStore;
class SettingsWindowActions;
class SystemCard;

// "Veltrano Settings": a scrolling column of cards, each control bound to its
// settings key, and the router card's connection flow. Made once by the shell
// and hidden, not destroyed, when closed.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent = nullptr);

    // Centred the first time; then shown and raised where the user left it.
    void present();
    // Changing the flag hides the window; it comes back where it was.
    void setKeepOnTop(bool onTop);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SettingsCard* addCard(SettingsCard* card);
    SettingsCard* monitoringCard();
    SettingsCard* preflightCard();
    SettingsCard* alertsCard();
    SettingsCard* displayCard();
    void reloadCards();
    // Grows or shrinks the window towards its content's height, its top edge fixed.
    void fitToContent();
    // Shows what anyone else wrote (auto-connect, the network-change check,
    // veltrano-cli) while the window is open.
    void followSettings();

    SettingsStore& settings;
    SettingsWindowActions& actions;
    QWidget* column;
    QList<SettingsCard*> cards;
    SettingsCard* routerCard = nullptr;
    SystemCard* systemCard = nullptr;
    QPointer<PreflightChecklistView> checklistView;
    // Fits and follows while shown.
    QTimer shownTimer;
    quint64 shownRevision = 0;
    bool placed = false;
};
