#include "settings/SettingsWakeUpScope.h"

#include <QAbstractEventDispatcher>

SettingsWakeUpScope::SettingsWakeUpScope(const SettingsStore& store, QAbstractEventDispatcher& dispatcher)
    : store(store)
    , scope(std::in_place, store) {
    // Qt runs a wake-up's timers and sockets after the sleep without a signal of
    // their own, so the scope turns over at the only edge every loop gives: the
    // moment before it sleeps.
    connect(&dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        scope.reset();
        scope.emplace(this->store);
    });
}
