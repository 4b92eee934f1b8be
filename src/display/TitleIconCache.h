#pragma once

#include "display/StatusTitle.h"
#include "display/TitleIconRenderer.h"

#include <QIcon>
#include <list>
#include <utility>

// Tray icons by title, most recently used first. Flashing alternates between a
// few titles forever; rendering a fresh icon for each step would make memory grow
// with every flash, so each title is drawn once and reused while it stays in use.
class TitleIconCache {
public:
    explicit TitleIconCache(int capacity = 64);

    QIcon icon(const StatusTitle& title);
    int size() const { return static_cast<int>(entries.size()); }

private:
    TitleIconRenderer renderer;
    int capacity;
    // Keyed by the runs alone: the tooltip does not change the picture.
    std::list<std::pair<QList<TitleRun>, QIcon>> entries;
};
