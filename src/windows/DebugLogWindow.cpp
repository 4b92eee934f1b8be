#include "windows/DebugLogWindow.h"

#include "display/QtColour.h"
#include "logs/DebugLog.h"

#include <QFontDatabase>

using namespace std::chrono_literals;

namespace {

QFont cellFont(QFont::Weight weight = QFont::Normal, bool monospaced = false) {
    QFont font = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    font.setPixelSize(11);
    font.setWeight(weight);
    return font;
}

QColor levelColour(const QString& level) {
    if (level == QStringLiteral("ERROR"))
        return toQColor(Colour::systemRed);
    if (level == QStringLiteral("INFO"))
        return toQColor(Colour::excellentTeal);
    return toQColor(Colour::secondaryLabel);
}

} // namespace

DebugLogWindow::DebugLogWindow(DebugLog& log, QWidget* parent)
    : LogWindow({QStringLiteral("Debug Log"),
                 QStringLiteral("No debug events recorded."),
                 QStringLiteral("VtDebugLog"),
                 QSize(600, 400),
                 QSize(580, 320),
                 1s,
                 {95, 56, 72, 0}},
                parent)
    , log(log) {
    setObjectName(QStringLiteral("debugLogWindow"));
    refresh();
}

void DebugLogWindow::takeEntries() {
    entries = log.entries();
}

QList<LogRow> DebugLogWindow::rows() const {
    const QColor secondary = toQColor(Colour::secondaryLabel);
    QList<LogRow> rows;
    rows.reserve(entries.size());
    for (const DebugEntry& entry : entries) {
        rows.append({{entry.timestamp.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                      cellFont(QFont::Normal, true), secondary},
                     {entry.level, cellFont(QFont::DemiBold), levelColour(entry.level)},
                     {rawValue(entry.code), cellFont(), {}},
                     {entry.detail, cellFont(), secondary}});
    }
    return rows;
}

QString DebugLogWindow::markdown() const {
    return debugMarkdown(entries);
}

void DebugLogWindow::clearLog() {
    log.setEntries({});
    entries.clear();
}
