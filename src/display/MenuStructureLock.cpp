#include "display/MenuStructureLock.h"

#include <QAction>
#include <QMenu>
#include <utility>

MenuStructureLock::MenuStructureLock(QMenu& menu) {
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        release();
        held = true;
    });
    connect(&menu, &QMenu::aboutToHide, this, &MenuStructureLock::release);
}

void MenuStructureLock::setVisible(QAction* action, bool visible) {
    if (held)
        pendingVisibility.insert(action, visible);
    else
        action->setVisible(visible);
}

void MenuStructureLock::arrange(std::function<void()> arrangement) {
    if (held)
        pendingArrangement = std::move(arrangement);
    else
        arrangement();
}

void MenuStructureLock::release() {
    held = false;
    if (pendingArrangement)
        std::exchange(pendingArrangement, {})();
    for (auto change = pendingVisibility.cbegin(); change != pendingVisibility.cend(); ++change)
        change.key()->setVisible(change.value());
    pendingVisibility.clear();
}
