#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// scheme + "://" + address + path, when the address names a host (and perhaps
// a port) and nothing else. Text that would become user information, another
// path, a query or a fragment is no router address: it gives none, and no
// request is made.
std::optional<QUrl> routerUrl(const QString& scheme, const QString& address, const QString& path);
