#include "display/TrayStatusItem.h"

#include <QCursor>
#include <QMenu>

namespace {

// Half a minute at the default interval: long enough for a slow session to bring
// up its panel.
constexpr int trayLookups = 15;

// The tooltip carries device names. Hosts differ in how they read it: some as
// Pango or HTML markup, others as plain text, and no escape reads right on both.
// The three characters that start markup are swapped for look-alikes that no
// host acts on.
QString withoutMarkup(QString text) {
    return text.replace(u'&', u'\uFF06').replace(u'<', u'\u2039').replace(u'>', u'\u203A');
}

} // namespace

TrayStatusItem::TrayStatusItem(QMenu* menu, std::chrono::milliseconds retryInterval, QObject* parent)
    : QObject(parent) {
    trayIcon.setContextMenu(menu);
    // A host shown an icon-less item draws a placeholder; an empty title draws
    // nothing until the monitor's first title arrives.
    trayIcon.setIcon(icons.icon(StatusTitle{}));
    retryTimer.setInterval(retryInterval);
    connect(&retryTimer, &QTimer::timeout, this, &TrayStatusItem::lookForTray);
    // Some hosts (KDE) send a left click as Activate and open nothing themselves:
    // the item has no other action, so a left click opens the menu as well.
    connect(&trayIcon, &QSystemTrayIcon::activated, this, [menu](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && menu)
            menu->popup(QCursor::pos());
    });
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
    if (trayAvailable)
        trayIcon.showMessage(summary, body);
}

void TrayStatusItem::lookForTray() {
    trayAvailable = systemTrayAvailable();
    if (trayAvailable) {
        retryTimer.stop();
        trayIcon.show();
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
