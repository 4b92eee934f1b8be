#include "windows/DisplayFont.h"

#include <QFontDatabase>
#include <QStringList>

// Outside any namespace: the macro declares the resource's initialiser, which
// rcc defines at global scope.
static void loadWindowResources() {
    Q_INIT_RESOURCE(windows);
}

namespace DisplayFont {

QFont idFont() {
    static const QString family = [] {
        loadWindowResources();
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
