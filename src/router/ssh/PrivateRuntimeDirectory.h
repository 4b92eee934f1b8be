#pragma once

#include <QString>

// The one folder where the SSH transports keep their control sockets and the
// password-bearing askpass scripts. Anything there can hand a stranger the
// router's password or a connection to it, so the folder is used only while it
// is a real directory of this user's with no group or world access.
class PrivateRuntimeDirectory {
public:
    enum class Status { usable, cannotCreate, notADirectory, symbolicLink, ownedByOther, openToOthers };

    // $XDG_RUNTIME_DIR/veltrano; without that variable, a folder made for this
    // run with mkdtemp (created on first call, removed when the program ends).
    static QString defaultPath();
    // The run's own folder is this prefix and six random characters, in the
    // temporary folder. The run holds a shared flock on it for as long as it
    // lives, so that a folder nobody holds is known to be a leftover.
    static inline const QString runFolderPrefix = QStringLiteral("veltrano-");

    // Creates `path` with mode 0700 when it is absent (its parent must exist),
    // then judges what is there without following a symbolic link. An existing
    // folder with looser permissions is refused, never repaired: someone may
    // already have planted a file in it.
    static Status prepare(const QString& path);

    static QString describe(Status status);
};
