#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QAction;
class QMenu;

// Keeps a menu's rows where they are while it is shown: a row that appears or
// goes away moves the rows below it, and the click aimed at one lands on its
// neighbour. Texts, enabled states and icons change in place; a change of
// structure made meanwhile waits, the latest per row winning, until the menu
// closes. Some hosts never say that their menu closed, so a waiting change is
// also made when the menu is next about to show, before the host asks for its
// layout. Main thread only.
class MenuStructureLock : public QObject {
    Q_OBJECT
public:
    explicit MenuStructureLock(QMenu& menu);

    void setVisible(QAction* action, bool visible);
    // Moves rows between the menu and its submenus; only the latest arrangement waits.
    void arrange(std::function<void()> arrangement);

private:
    void release();

    bool held = false;
    QHash<QAction*, bool> pendingVisibility;
    std::function<void()> pendingArrangement;
};
