#include "app/MissingTrayNotice.h"

#include <gtest/gtest.h>

namespace {

// Only a GNOME session is sent to the extension, whichever way the session
// names itself; every desktop is told where Veltrano went.
TEST(MissingTrayNotice, OnlyGnomeSessionsAreSentToTheExtension) {
    for (const QString& gnome : {QStringLiteral("GNOME"), QStringLiteral("ubuntu:GNOME"),
                                 QStringLiteral("GNOME-Classic:GNOME"), QStringLiteral("gnome")}) {
        const MissingTrayNotice notice = MissingTrayNotice::forDesktop(gnome);
        EXPECT_TRUE(notice.body.contains(QStringLiteral("gnome-shell-extension-appindicator")))
            << gnome.toStdString();
        EXPECT_TRUE(notice.windowNote.contains(QStringLiteral("gnome-shell-extension-appindicator")));
    }
    for (const QString& other :
         {QStringLiteral("XFCE"), QStringLiteral("sway"), QStringLiteral("GNOME-Flashback"), QString()}) {
        const MissingTrayNotice notice = MissingTrayNotice::forDesktop(other);
        EXPECT_FALSE(notice.body.contains(QStringLiteral("GNOME"))) << other.toStdString();
        EXPECT_TRUE(notice.body.contains(QStringLiteral("right-click"))) << other.toStdString();
        EXPECT_FALSE(notice.windowNote.isEmpty());
    }
}

} // namespace
