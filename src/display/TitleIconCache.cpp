#include "display/TitleIconCache.h"

#include <QPixmap>
#include <algorithm>

TitleIconCache::TitleIconCache(int capacity)
    : capacity(std::max(capacity, 1)) {}

QIcon TitleIconCache::icon(const StatusTitle& title) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& entry) { return entry.first == title.runs; });
    if (found != entries.end()) {
        entries.splice(entries.begin(), entries, found);
        return entries.front().second;
    }
    // The signal strength changes the title, so without a bound every RSSI value
    // ever shown would stay in memory.
    if (size() >= capacity)
        entries.pop_back();
    // Every size is a real picture, an empty title's plate included: a host
    // that finds none to fit draws a generic placeholder instead.
    QIcon icon;
    for (const int size : iconSizes)
        icon.addPixmap(QPixmap::fromImage(renderer.render(title, size)));
    entries.emplace_front(title.runs, icon);
    return entries.front().second;
}
