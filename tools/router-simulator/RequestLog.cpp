#include "RequestLog.h"

#include <QJsonObject>

quint64 RequestLog::append(const HttpRequest& request, quint16 port, qint64 atMs) {
    if (entries.size() >= maxEntries) {
        entries.removeFirst();
        ++dropped;
    }
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
        {QStringLiteral("at"), atMs},
    });
    return dropped + static_cast<quint64>(entries.size()) - 1;
}

void RequestLog::end(quint64 number, qint64 atMs) {
    if (number < dropped || number - dropped >= static_cast<quint64>(entries.size()))
        return;
    const auto index = static_cast<qsizetype>(number - dropped);
    QJsonObject entry = entries.at(index).toObject();
    if (entry.contains(QStringLiteral("until")))
        return;
    entry.insert(QStringLiteral("until"), atMs);
    entries.replace(index, entry);
}
