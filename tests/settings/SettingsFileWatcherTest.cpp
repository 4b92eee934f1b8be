#include "settings/SettingsFileWatcher.h"

#include "TestEnvironment.h"
#include "logs/EventLogger.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Another process's store over the same file, as veltrano-cli settings set writes it.
class SettingsFileWatcherTest : public ::testing::Test {
protected:
    SettingsFileWatcherTest() {
        for (const QString& name :
             {NotificationName::floatingWindowToggled, NotificationName::floatingWindowOnTopToggled,
              NotificationName::settingsWindowOnTopToggled})
            NotificationCenter::shared().observe(name, &observer, [this, name](std::optional<bool> value) {
                posted.append(name +
                              (value.value_or(false) ? QStringLiteral("=true") : QStringLiteral("=false")));
            });
    }

    TestEnvironment env;
    const QString path = env.path(QStringLiteral("Veltrano/settings.json"));
    SettingsStore ours{path};
    SettingsStore cli{path};
    SettingsFileWatcher watcher{ours, EventLogger::shared()};
    QSignalSpy changed{&watcher, &SettingsFileWatcher::changed};
    QObject observer;
    QStringList posted;
};

// Each key reaches whoever reacts to it once, whoever wrote it; an absent
// `settingsWindowOnTop` reads as its default, true, so removing it says nothing.
TEST_F(SettingsFileWatcherTest, AnnouncesEachWatchedChangeOnceWhoeverWroteIt) {
    cli.writeBool(SettingsKey::floatingWindowOnTop, true);
    cli.writeString(SettingsKey::iconStyle, QStringLiteral("dot"));
    cli.writeBool(SettingsKey::routerConnected, true);
    cli.remove(SettingsKey::settingsWindowOnTop);
    ASSERT_TRUE(waitUntil([&] { return changed.count() == 1 && posted.size() == 1; }));
    EXPECT_EQ(posted, QStringList{QStringLiteral("FloatingWindowOnTopToggled=true")});
    EXPECT_EQ(changed.takeFirst().value(0).toString(), SettingsKey::iconStyle);

    // The settings window's switch writes, then posts; the file's change then adds nothing.
    ours.writeBool(SettingsKey::floatingWindowEnabled, true);
    NotificationCenter::shared().post(NotificationName::floatingWindowToggled, true);
    cli.writeBool(SettingsKey::settingsWindowOnTop, false);
    ASSERT_TRUE(waitUntil([&] { return posted.size() == 3; }));
    EXPECT_EQ(posted.mid(1), (QStringList{QStringLiteral("FloatingWindowToggled=true"),
                                          QStringLiteral("SettingsWindowOnTopToggled=false")}));

    // After the uninstall wipe the file's going tells nobody anything.
    watcher.stop();
    QFile::remove(path);
    cli.writeString(SettingsKey::targetLabelStyle, QStringLiteral("12"));
    EXPECT_FALSE(waitUntil([&] { return posted.size() > 3 || !changed.isEmpty(); }, 500));
}

} // namespace
