#pragma once

#include <QString>

// How this copy of the program was installed, which decides how it is updated
// and removed: a binary in a folder the user can write (a source build, a copy
// in ~/.local) is the user's own; anything else belongs to the package manager.
namespace ProgramInstallation {

struct Removal {
    bool moved = false;
    // What the final dialog says: the program is in the Trash, or how to remove it.
    QString message;
};

bool isUserInstalled(const QString& executable);

// One sentence for the update dialog.
QString updateInstructions(const QString& executable);

// Moves the user's own copy to the Trash; a packaged copy is left to the
// package manager, and the message says how.
Removal moveToTrash(const QString& executable);

} // namespace ProgramInstallation
