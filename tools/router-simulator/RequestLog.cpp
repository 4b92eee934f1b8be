#include "RequestLog.h"

#include <QJsonObject>

void RequestLog::append(const HttpRequest& request, quint16 port) {
    if (entries.size() >= maxEntries)
        entries.removeFirst();
    QJsonObject headers;
    for (const auto& [name, value] : request.headers) {
        const QString key = QString::fromLatin1(name);
        // A repeated header keeps all its values, comma-joined as HTTP allows.
        const QString previous = headers.value(key).toString();
        const QString text = QString::fromLatin1(value);
        headers.insert(key, previous.isEmpty() ? text : previous + QStringLiteral(", ") + text);
    }
    entries.append(QJsonObject{
        {QStringLiteral("method"), QString::fromLatin1(request.method)},
        {QStringLiteral("path"), QString::fromLatin1(request.target)},
        {QStringLiteral("port"), port},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromUtf8(request.body)},
    });
}
