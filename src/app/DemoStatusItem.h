#pragma once

#include "app/DemoProfile.h"
#include "display/StatusItem.h"

// The tray item in demo mode: every tooltip says it is the demo.
class DemoStatusItem final : public StatusItem {
public:
    explicit DemoStatusItem(StatusItem& shownItem)
        : shown(shownItem) {}

    void setTitle(const StatusTitle& title) override {
        StatusTitle labelled = title;
        labelled.toolTip = demoLabelled(title.toolTip);
        shown.setTitle(labelled);
    }

private:
    StatusItem& shown;
};
