#pragma once

#include <QFont>

// The bundled display face of the floating window's slot labels (League Spartan
// ExtraBold, SIL Open Font License, see resources/fonts/). Registered with the
// font database on first use; a heavy system sans serif stands in if the
// resource cannot be loaded.
namespace DisplayFont {
QFont idFont();
}
