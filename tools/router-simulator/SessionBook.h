#pragma once

#include <QList>
#include <QSet>
#include <QString>

// The session ids, cookies and tokens handed out at login.
class SessionBook {
public:
    // A client that logs in at every poll must not grow the simulator without end:
    // the oldest sessions give way.
    static constexpr qsizetype maxSessions = 4096;

    QString open();
    bool isOpen(const QString& token) const { return !token.isEmpty() && tokens.contains(token); }
    void close(const QString& token);
    void expireAll();

    // Random text from letters and digits (or the given alphabet), as routers make their ids.
    static QString randomText(int length, const QString& alphabet = {});

private:
    QSet<QString> tokens;
    QList<QString> openingOrder;
};
