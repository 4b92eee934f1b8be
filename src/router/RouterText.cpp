#include "router/RouterText.h"

#include <QTextBoundaryFinder>

namespace {

// Controls are shown rather than removed: none belongs in a name, and "\x1B"
// tells whoever reads it what the router sent. Bidirectional and zero-width
// formatting is removed: it has no look of its own, and all it can do is
// reorder or hide the text around it.
bool isInvisibleFormatting(char16_t c) {
    return c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

// C0, DEL and C1, and the two separators a text layout breaks lines at.
bool isControl(QChar c) {
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

QString escaped(char16_t c) {
    if (c <= 0xFF)
        return QStringLiteral("\\x") + QString::number(c, 16).toUpper().rightJustified(2, u'0');
    return QStringLiteral("\\u") + QString::number(c, 16).toUpper();
}

bool needsWork(const QString& text, RouterTextKind kind) {
    for (const QChar c : text)
        if (c.isSurrogate() || isControl(c) || isInvisibleFormatting(c.unicode()))
            return true;
    return kind == RouterTextKind::name && text.size() > nameLength;
}

QString cleaned(const QString& text, RouterTextKind kind) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean.append(c).append(text.at(++i));
        } else if (c.isSurrogate()) {
            clean.append(QChar::ReplacementCharacter);
        } else if (c == u'\n' && kind == RouterTextKind::dump) {
            clean.append(c);
        } else if (isControl(c)) {
            clean.append(escaped(c.unicode()));
        } else if (!isInvisibleFormatting(c.unicode())) {
            clean.append(c);
        }
    }
    return clean;
}

// Cut between grapheme clusters, so no accent loses its letter and no
// surrogate pair is split.
QString capped(const QString& text) {
    if (text.size() <= nameLength)
        return text;
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype cut = 0;
    for (int kept = 0; kept < nameLength - 1; ++kept) {
        cut = boundaries.toNextBoundary();
        if (cut < 0)
            return text;
    }
    const qsizetype end = boundaries.toNextBoundary();
    if (end < 0 || end == text.size())
        return text;
    return text.left(cut) + QStringLiteral("\u2026");
}

} // namespace

QString routerText(const QString& text, RouterTextKind kind) {
    if (!needsWork(text, kind))
        return text;
    const QString clean = cleaned(text, kind);
    return kind == RouterTextKind::name ? capped(clean) : clean;
}
