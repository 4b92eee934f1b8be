#include "router/RouterUrl.h"

std::optional<QUrl> routerUrl(const QString& scheme, const QString& address, const QString& path) {
    const QUrl url(scheme + QStringLiteral("://") + address + path, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.path() != path ||
        url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}
