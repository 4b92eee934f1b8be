#pragma once

#include "app/DemoProfile.h"
#include "platform/DesktopNotifier.h"

// Notifications in demo mode: each says it comes from the demo, so that a
// demo beside the user's own copy never raises an alarm that looks real.
class DemoNotifier final : public DesktopNotifier {
public:
    explicit DemoNotifier(DesktopNotifier& shownNotifier)
        : shown(shownNotifier) {}

    void notify(const QString& summary, const QString& body) override {
        shown.notify(demoLabelled(summary), body);
    }

private:
    DesktopNotifier& shown;
};
