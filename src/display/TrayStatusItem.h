#pragma once

#include "display/StatusItem.h"
#include "display/TitleIconCache.h"
#include "platform/StatusNotifierClicks.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <optional>

class QMenu;

// The status item as a tray icon: the title drawn as the icon, its plain text as
// the tooltip, the menu attached. Main thread only.
class TrayStatusItem : public QObject, public StatusItem {
    Q_OBJECT
public:
    // The menu stays its creator's. A desktop session may start us before the
    // panel that hosts the tray, so a missing tray is asked for again at this
    // interval, fifteen times.
    explicit TrayStatusItem(QMenu* menu, std::chrono::milliseconds retryInterval = std::chrono::seconds(2),
                            QObject* parent = nullptr);

    void setTitle(const StatusTitle& title) override;

    // Puts the icon on the tray, or keeps looking for one.
    void show();
    bool isTrayAvailable() const { return trayAvailable; }
    // A balloon beside the icon, for desktops without a notification service.
    // A panel that draws the menu itself shows no balloons: Qt would only
    // mark the item as asking for attention, with an icon that is not ours.
    void showMessage(const QString& summary, const QString& body);

Q_SIGNALS:
    // Once per show(): true as soon as the icon is on a tray, false when no tray
    // appeared in time (the item is then hidden from the user).
    void traySearchFinished(bool available);

protected:
    // Every icon or tooltip change costs the panel a D-Bus round trip; these are
    // the only places one is made.
    virtual void applyIcon(const QIcon& icon);
    virtual void applyToolTip(const QString& text);
    virtual bool systemTrayAvailable() const;

private:
    void lookForTray();
    // Left click: the menu opens where the panel says the click was.
    void openMenuAtClick();
    void popUpMenu(QPoint at);

    QPointer<QMenu> menu;
    QSystemTrayIcon trayIcon;
    StatusNotifierClicks clicks;
    // The host's Activate and its copy travel on two connections: the click's
    // position may come a moment after the click.
    QTimer clickWait;
    bool hostDrawsMenu = false;
    TitleIconCache icons;
    QTimer retryTimer;
    int attemptsLeft = 0;
    bool trayAvailable = false;
    std::optional<StatusTitle> shownTitle;
    QString shownToolTip;
};
