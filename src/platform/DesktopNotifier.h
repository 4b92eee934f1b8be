#pragma once

#include <QString>

// Shows a short message in the desktop's notification area. Fire and forget: it
// never blocks, and where the desktop has nowhere to show it, nothing happens.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};
