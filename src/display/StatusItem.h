#pragma once

#include "display/StatusTitle.h"

// The program's one permanent presence on the desktop: the tray item whose title
// the monitor writes. Main thread only.
class StatusItem {
public:
    StatusItem() = default;
    StatusItem(const StatusItem&) = delete;
    StatusItem& operator=(const StatusItem&) = delete;
    virtual ~StatusItem() = default;

    virtual void setTitle(const StatusTitle& title) = 0;
};
