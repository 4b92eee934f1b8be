#pragma once

#include "display/StatusTitle.h"
#include "display/TitleIconRenderer.h"

#include <QIcon>
#include <array>
#include <list>
#include <utility>

// Tray icons by title, most recently used first. Flashing alternates between a
// few titles forever; rendering a fresh icon for each step would make memory grow
// with every flash, so each title is drawn once and reused while it stays in use.
class TitleIconCache {
public:
    // The sizes panels draw tray icons at. A host takes the nearest one and Qt
    // sends them all to status-notifier hosts, so each is drawn for its own size:
    // one scaled down from 64 px loses the digits at 22.
    static constexpr std::array<int, 6> iconSizes{16, 22, 24, 32, 48, 64};

    explicit TitleIconCache(int capacity = 64);

    QIcon icon(const StatusTitle& title);
    int size() const { return static_cast<int>(entries.size()); }

private:
    TitleIconRenderer renderer;
    int capacity;
    // Keyed by the runs alone: the tooltip does not change the picture.
    std::list<std::pair<QList<TitleRun>, QIcon>> entries;
};
