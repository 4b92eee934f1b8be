#include "windows/SessionLogWindow.h"

#include "display/QtColour.h"
#include "logs/SessionLog.h"

#include <QFontDatabase>

using namespace std::chrono_literals;

namespace {

QFont cellFont(int pixels, QFont::Weight weight = QFont::Normal, bool monospaced = false) {
    QFont font = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QColor stateColour(const QString& state) {
    if (state == QStringLiteral("Excellent"))
        return toQColor(Colour::excellentTeal);
    if (state == QStringLiteral("Marginal"))
        return toQColor(Colour::systemYellow);
    if (state == QStringLiteral("Critical"))
        return toQColor(Colour::systemRed);
    return toQColor(Colour::secondaryLabel);
}

} // namespace

SessionLogWindow::SessionLogWindow(SessionLog& log, QWidget* parent)
    : LogWindow({QStringLiteral("Session Log"),
                 QStringLiteral("No events recorded yet."),
                 QStringLiteral("VtLog"),
                 QSize(540, 400),
                 QSize(540, 300),
                 2s,
                 {65, 70, 0, 70}},
                parent)
    , log(log) {
    setObjectName(QStringLiteral("sessionLogWindow"));
    refresh();
}

void SessionLogWindow::takeEntries() {
    entries = log.entries();
}

QList<LogRow> SessionLogWindow::rows() const {
    const QColor secondary = toQColor(Colour::secondaryLabel);
    QList<LogRow> rows;
    rows.reserve(entries.size());
    for (const LogEntry& entry : entries) {
        rows.append(
            {{entry.dateTime().toLocalTime().toString(QStringLiteral("HH:mm:ss")),
              cellFont(12, QFont::Normal, true), secondary},
             {entry.state, cellFont(12, QFont::DemiBold), stateColour(entry.state)},
             {entry.message, cellFont(12), {}},
             {entry.rssi ? QStringLiteral("%1 dBm").arg(*entry.rssi) : QString(), cellFont(12), secondary}});
    }
    return rows;
}

QString SessionLogWindow::markdown() const {
    return SessionLog::sessionMarkdown(entries);
}

void SessionLogWindow::clearLog() {
    log.clear();
    entries.clear();
}
