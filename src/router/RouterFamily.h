#pragma once

#include <QString>

// The family keys stored in `detectedRouterType`.
namespace RouterFamily {
inline const QString glinet = QStringLiteral("glinet");
inline const QString unifi = QStringLiteral("unifi");
inline const QString peplink = QStringLiteral("peplink");
inline const QString unknown = QStringLiteral("unknown");
} // namespace RouterFamily
