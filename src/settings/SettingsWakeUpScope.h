#pragma once

#include "settings/SettingsStore.h"

#include <QObject>
#include <optional>

class QAbstractEventDispatcher;

// Keeps a read scope open on the store for the thread of an event loop, and
// opens it afresh each time the loop is about to sleep: whatever one wake-up
// does (a poll tick and its title, an answer and its icon, a flash) looks at the
// settings file once, and what another process wrote is read at the next
// wake-up. Lives on the dispatcher's thread.
class SettingsWakeUpScope : public QObject {
public:
    SettingsWakeUpScope(const SettingsStore& store, QAbstractEventDispatcher& dispatcher);

private:
    const SettingsStore& store;
    std::optional<SettingsStore::ReadScope> scope;
};
