#include "display/TrayStatusItem.h"

#include <QMenu>

namespace {
// Half a minute at the default interval: long enough for a slow session to bring
// up its panel.
constexpr int trayLookups = 15;
} // namespace

TrayStatusItem::TrayStatusItem(QMenu* menu, std::chrono::milliseconds retryInterval, QObject* parent)
    : QObject(parent) {
    trayIcon.setContextMenu(menu);
    // A host shown an icon-less item draws a placeholder; an empty title draws
    // nothing until the monitor's first title arrives.
    trayIcon.setIcon(icons.icon(StatusTitle{}));
    retryTimer.setInterval(retryInterval);
    connect(&retryTimer, &QTimer::timeout, this, &TrayStatusItem::lookForTray);
}

void TrayStatusItem::setTitle(const StatusTitle& title) {
    if (shownTitle == title)
        return;
    shownTitle = title;
    applyIcon(icons.icon(title));
    // The idle brackets blink without changing the text, so the tooltip is
    // compared on its own.
    const QString toolTip = title.text().trimmed();
    if (toolTip != shownToolTip) {
        shownToolTip = toolTip;
        applyToolTip(toolTip);
    }
}

void TrayStatusItem::show() {
    retryTimer.stop();
    attemptsLeft = trayLookups;
    lookForTray();
    if (!trayAvailable)
        retryTimer.start();
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
