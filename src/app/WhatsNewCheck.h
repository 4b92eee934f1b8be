#pragma once

#include "app/WhatsNewEntry.h"

class EventLogger;
class SettingsStore;

namespace WhatsNewCheck {

// The launch's look at what changed since the build that ran before: returns
// the notes to show (none on a first launch or when the build is unchanged) and
// records `currentBuild` as seen, whether or not the user reads them. A program
// that ran before without recording a build (`hadMigration1Before`) is shown
// every note.
QList<WhatsNewEntry> run(SettingsStore& settings, EventLogger& logger, const QString& currentBuild,
                         bool hadMigration1Before);

} // namespace WhatsNewCheck
