#pragma once

#include <QString>

// What the user is told, once per run, when the desktop has no tray at all
// (no status-notifier watcher and no XEmbed tray): where Veltrano is instead,
// and on GNOME the extension that gives it back its tray.
struct MissingTrayNotice {
    QString body;
    // Shown after the floating window's own title, which is then the way in.
    QString windowNote;

    // `currentDesktop` as in XDG_CURRENT_DESKTOP: names separated by colons.
    static MissingTrayNotice forDesktop(const QString& currentDesktop);
};
