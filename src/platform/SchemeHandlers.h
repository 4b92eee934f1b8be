#pragma once

#include <QString>

namespace SchemeHandlers {

// Whether the desktop names an application for URLs of `scheme` (an
// x-scheme-handler entry in a mimeapps.list or a mimeinfo.cache). Opening such a
// URL without one would start xdg-open only to fail where the user cannot see it.
bool hasHandler(const QString& scheme);

} // namespace SchemeHandlers
