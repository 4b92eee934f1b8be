#include "windows/DisplayFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace DisplayFont {

QFont idFont() {
    static const QString family = [] {
        const int id =
            QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LeagueSpartan-ExtraBold.otf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(family.isEmpty() ? QFont::Black : QFont::ExtraBold);
    font.setPointSize(136);
    return font;
}

} // namespace DisplayFont
