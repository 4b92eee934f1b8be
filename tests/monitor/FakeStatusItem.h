#pragma once

#include "display/StatusItem.h"

#include <QList>

// Keeps every title the monitor set, newest last.
class FakeStatusItem : public StatusItem {
public:
    void setTitle(const StatusTitle& title) override { titles.append(title); }
    StatusTitle last() const { return titles.isEmpty() ? StatusTitle{} : titles.last(); }

    QList<StatusTitle> titles;
};
