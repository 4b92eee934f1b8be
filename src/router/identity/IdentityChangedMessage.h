#pragma once

#include <QString>

// The connect failure shown when the router at `address` is not the device we
// logged in to before: nothing secret went to it.
QString certificateChangedMessage(const QString& address);
QString hostKeyChangedMessage(const QString& address);
// Another family, clear text where HTTPS was, or a weaker login than at the first login there.
QString familyChangedMessage(const QString& address);

// The identities file `file` (or where an unreadable one was kept) could not be
// read, or written after a login: no router counts as known, none as new.
QString identitiesUnreadableMessage(const QString& file);
QString identitiesUnsavedMessage(const QString& file);

// The sentences after which forgetting the router's identity is the way on.
bool isIdentityRefusal(const QString& message, const QString& address);
