#pragma once

#include <QString>
#include <QTemporaryDir>

class SettingsStore;
struct DemoTimeline;

// The demo's own profile, thrown away when it ends: XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_CACHE_HOME and XDG_STATE_HOME point into a fresh
// temporary folder, so the demo neither reads nor writes the user's settings,
// session log or router identities. Made before QCoreApplication, so that
// nothing has read the user's folders yet.
class DemoProfile {
public:
    DemoProfile();

    // False when no temporary folder could be made; nothing was changed then.
    bool isValid() const { return folder.isValid(); }

    // Router mode on the scripted router, connected and to be reconnected at
    // launch, with its first two cameras as the targets; What's New counts as
    // seen.
    static void writeSettings(SettingsStore& settings, const DemoTimeline& timeline);

private:
    QTemporaryDir folder;
};

// What everything the demo shows carries in front: "Demo — ".
QString demoLabelled(const QString& text);
