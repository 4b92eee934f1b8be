#include "logs/MarkdownCell.h"

namespace {

bool isMarkup(QChar c) {
    return QStringView(u"\\|`*_[]<>!").contains(c);
}

} // namespace

QString markdownCell(const QString& text) {
    QString cell;
    cell.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            // "\r\n" is one break.
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            cell.append(QStringLiteral("<br>"));
            continue;
        }
        if (isMarkup(c))
            cell.append(u'\\');
        cell.append(c);
    }
    return cell;
}
