#pragma once

#include "display/MenuPresenter.h"
#include "display/MenuStructureLock.h"

#include <QObject>
#include <array>
#include <memory>

class QAction;
class QMenu;
class SettingsStore;

// The status item's menu, built once: one section of information and alert lines
// per slot, then the fixed commands. Status-notifier hosts show plain text only,
// so each line reads "Label: value" and a coloured dot carries a state's colour.
// With two targets each slot's detail lines sit in a submenu under its heading,
// so that the menu still fits a laptop screen. Main thread only.
class MenuManager : public QObject, public MenuPresenter {
    Q_OBJECT
public:
    explicit MenuManager(SettingsStore& settings, QObject* parent = nullptr);
    ~MenuManager() override;

    QMenu* menu() const { return rootMenu.get(); }

    void configureSections(bool twoTargets, const QString& labelA, const QString& labelB) override;
    void showIdleItems() override;
    void updateP2P(const LocalLinkReading& link, int rssi, int percent, SignalState state) override;
    void showLocalLinkUnavailable(bool hasInterface) override;
    void updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                      TargetSlot slot) override;
    void updateThroughput(std::optional<double> current, std::optional<double> peak,
                          std::optional<double> average, TargetSlot slot) override;
    void updateAlertItems(const AlertControls& controls, TargetSlot slot) override;
    void showRouterUnreachable() override;
    void showSoundNotice(bool silent) override;
    // Recording ended for this run (a full disk): said until the program restarts.
    void showHistoryStopped(const QString& reason);

Q_SIGNALS:
    void snoozeRequested(TargetSlot slot, int minutes);
    void disableRequested(TargetSlot slot);
    void enableRequested(TargetSlot slot);
    void sessionLogRequested();
    void signalHistoryRequested();
    void debugLogRequested();
    void checkForUpdatesRequested();
    void preferencesRequested();
    void quitRequested();

private:
    struct SlotItems {
        // The slot's label; with two targets it opens the slot's detail lines.
        QAction* header = nullptr;
        QMenu* details = nullptr;
        QAction* state = nullptr;
        QAction* alertSeparator = nullptr;
        QAction* snooze = nullptr;
        QAction* disable = nullptr;
        // "SSID" in P2P mode, "Device" in router mode.
        QAction* ssid = nullptr;
        // "Standard" in P2P mode, "IP" in router mode.
        QAction* phyMode = nullptr;
        QAction* rssi = nullptr;
        QAction* noise = nullptr;
        QAction* txRate = nullptr;
        QAction* band = nullptr;
        QAction* linkDetail = nullptr;
        QAction* throughput = nullptr;
        // Whether the disable item currently offers "Enable Alerts".
        bool offersEnable = false;

        std::array<QAction*, 8> detailLines() const {
            return {ssid, phyMode, rssi, noise, txRate, band, linkDetail, throughput};
        }
    };

    QAction* addLine(QMenu& menu, const QString& text, bool visible = true);
    void addHeader(SlotItems& items);
    void addAlertItems(SlotItems& items, TargetSlot slot);
    void addInformationLines(SlotItems& items, QMenu& menu);
    void nestSlotADetails(bool nested);
    void hideRouterOnlyLines(SlotItems& items);
    // Slot a's lines with a state but no reading, as when idle or without a link.
    void showWithoutReading(const QString& state, std::optional<RgbColour> dot, const QString& nameLabel,
                            const QString& detailLabel);
    void addCommands();
    SlotItems& itemsFor(TargetSlot slot);

    SettingsStore& settings;
    std::unique_ptr<QMenu> rootMenu;
    // Every change of visibility and placement goes through it, so that no row
    // moves while the menu is shown.
    MenuStructureLock structure;
    QAction* soundNotice = nullptr;
    QAction* historyNotice = nullptr;
    SlotItems slotA;
    SlotItems slotB;
    // Between slot a's alert items and its detail lines, while they are not nested.
    QAction* detailSeparatorA = nullptr;
    bool slotADetailsNested = false;
    QAction* sectionSeparatorB = nullptr;
    QAction* debugLogItem = nullptr;
};
