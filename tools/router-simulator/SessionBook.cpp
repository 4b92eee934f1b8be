#include "SessionBook.h"

#include <QRandomGenerator>

QString SessionBook::open() {
    const QString token = randomText(32);
    tokens.insert(token);
    openingOrder.append(token);
    while (openingOrder.size() > maxSessions)
        tokens.remove(openingOrder.takeFirst());
    return token;
}

void SessionBook::close(const QString& token) {
    tokens.remove(token);
    openingOrder.removeOne(token);
}

void SessionBook::expireAll() {
    tokens.clear();
    openingOrder.clear();
}

QString SessionBook::randomText(int length, const QString& alphabet) {
    const QString letters =
        alphabet.isEmpty() ? QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
                           : alphabet;
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text.append(letters[QRandomGenerator::global()->bounded(static_cast<int>(letters.size()))]);
    return text;
}
