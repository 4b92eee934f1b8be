#include "display/TrayStatusItem.h"

#include <QCursor>
#include <QDBusConnectionInterface>
#include <QMenu>

namespace {

// Half a minute at the default interval: long enough for a slow session to bring
// up its panel.
constexpr int trayLookups = 15;
// How old a reported click may be, and how long one is waited for.
constexpr std::chrono::milliseconds clickAge{500};
constexpr std::chrono::milliseconds clickWaitLimit{300};

// The tooltip carries device names. Hosts differ in how they read it: some as
// Pango or HTML markup, others as plain text, and no escape reads right on both.
// The three characters that start markup are swapped for look-alikes that no
// host acts on.
QString withoutMarkup(QString text) {
    return text.replace(u'&', u'\uFF06').replace(u'<', u'\u2039').replace(u'>', u'\u203A');
}

} // namespace

TrayStatusItem::TrayStatusItem(QMenu* menu, std::chrono::milliseconds retryInterval, QObject* parent)
    : QObject(parent)
    , menu(menu) {
    trayIcon.setContextMenu(menu);
    // A host shown an icon-less item draws a placeholder; an empty title draws
    // a bare plate until the monitor's first title arrives.
    trayIcon.setIcon(icons.icon(StatusTitle{}));
    retryTimer.setInterval(retryInterval);
    connect(&retryTimer, &QTimer::timeout, this, &TrayStatusItem::lookForTray);
    // Some hosts (KDE) send a left click as Activate and open nothing themselves:
    // the item has no other action, so a left click opens the menu as well.
    connect(&trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            openMenuAtClick();
    });
    clickWait.setSingleShot(true);
    clickWait.setInterval(clickWaitLimit);
    connect(&clicks, &StatusNotifierClicks::clicked, this, [this](QPoint at) {
        if (clickWait.isActive()) {
            clickWait.stop();
            popUpMenu(at);
        }
    });
    // No position came: only an X11 session knows where the pointer is. Under
    // XWayland the pointer's last place over one of our windows may be across
    // the screen, and no menu beats a menu there.
    connect(&clickWait, &QTimer::timeout, this, [this] {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            popUpMenu(QCursor::pos());
    });
}

void TrayStatusItem::openMenuAtClick() {
    if (!hostDrawsMenu) {
        // An XEmbed icon is our own window: Qt knows where it is.
        const QRect icon = trayIcon.geometry();
        popUpMenu(icon.isValid() ? icon.bottomLeft() : QCursor::pos());
    } else if (const std::optional<QPoint> at = clicks.recentClick(clickAge)) {
        popUpMenu(*at);
    } else {
        clickWait.start();
    }
}

void TrayStatusItem::popUpMenu(QPoint at) {
    if (menu)
        menu->popup(at);
}

void TrayStatusItem::setTitle(const StatusTitle& title) {
    if (shownTitle == title)
        return;
    shownTitle = title;
    applyIcon(icons.icon(title));
    // Flashing changes the icon, not the words, so the tooltip is compared on
    // its own.
    if (title.toolTip != shownToolTip) {
        shownToolTip = title.toolTip;
        applyToolTip(withoutMarkup(title.toolTip));
    }
}

void TrayStatusItem::show() {
    retryTimer.stop();
    attemptsLeft = trayLookups;
    lookForTray();
    if (!trayAvailable)
        retryTimer.start();
}

void TrayStatusItem::showMessage(const QString& summary, const QString& body) {
    if (trayAvailable && !hostDrawsMenu)
        trayIcon.showMessage(summary, body);
}

void TrayStatusItem::lookForTray() {
    trayAvailable = systemTrayAvailable();
    if (trayAvailable) {
        retryTimer.stop();
        // Qt's own test: with a watcher on the bus the item is a status
        // notifier, drawn and given its menu by the panel.
        const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        hostDrawsMenu = bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
        trayIcon.show();
        if (hostDrawsMenu)
            clicks.watchOurItem();
        Q_EMIT traySearchFinished(true);
        return;
    }
    if (retryTimer.isActive() && --attemptsLeft <= 0) {
        retryTimer.stop();
        Q_EMIT traySearchFinished(false);
    }
}

void TrayStatusItem::applyIcon(const QIcon& icon) {
    trayIcon.setIcon(icon);
}

void TrayStatusItem::applyToolTip(const QString& text) {
    trayIcon.setToolTip(text);
}

bool TrayStatusItem::systemTrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}
