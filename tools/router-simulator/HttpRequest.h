#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One request as it arrived: header names keep the client's spelling so the
// request log shows what was really sent.
struct HttpRequest {
    QByteArray method;
    // The request target with any query, as sent.
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name, compared without regard to case.
    QByteArray header(const QByteArray& name) const {
        for (const auto& [key, value] : headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
    QByteArray path() const {
        const qsizetype query = target.indexOf('?');
        return query < 0 ? target : target.left(query);
    }
    bool keepsAlive() const {
        const QByteArray connection = header("Connection").toLower();
        if (version == "HTTP/1.0")
            return connection.contains("keep-alive");
        return !connection.contains("close");
    }
};
