#pragma once

#include <QString>

// The connect failure shown when the router at `address` is not the device we
// logged in to before: nothing secret went to it.
QString certificateChangedMessage(const QString& address);
QString hostKeyChangedMessage(const QString& address);
