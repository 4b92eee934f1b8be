#include "display/TitleIconRenderer.h"

#include "display/QtColour.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

// Glyphs are laid out at this size and the whole drawing is scaled to fit.
constexpr qreal referencePixelSize = 100.0;
constexpr qreal margin = 2.0;
// Share of a line box the capital height may fill; the rest keeps lines apart.
constexpr qreal capShareOfLine = 0.72;
// Thin enough to keep counters open, thick enough to survive scaling to 22 px.
constexpr qreal outlineWidth = 3.0;
constexpr qreal dividerThickness = 3.0;

struct Piece {
    QString text;
    RgbColour foreground;
};

struct Segment {
    QList<QList<Piece>> lines;
    std::optional<RgbColour> background;
};

bool isDivider(const TitleRun& run) {
    return run.text.trimmed() == QLatin1String("|");
}

// The combined form (" -64*5G") is the RSSI and the band. Alone, it reads best as
// the RSSI above the band. Beside a second target there is room for two lines of
// a size one can read at panel size, so each keeps its RSSI and the band is left
// to the tooltip and the menu.
Segment segmentFrom(const QList<TitleRun>& runs, bool alone) {
    Segment segment;
    segment.lines.append(QList<Piece>());
    for (const TitleRun& run : runs) {
        if (!segment.background)
            segment.background = run.background;
        const QStringList parts = run.text.split(QLatin1Char('*'));
        if (!alone) {
            segment.lines.last().append(Piece{parts.first(), run.foreground});
            if (parts.size() > 1)
                break;
            continue;
        }
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                segment.lines.append(QList<Piece>());
            segment.lines.last().append(Piece{parts[i], run.foreground});
        }
    }
    // The title pads itself with spaces for the menu bar; in a square they only
    // shrink the text.
    for (QList<Piece>& line : segment.lines) {
        while (!line.isEmpty() && line.first().text.trimmed().isEmpty())
            line.removeFirst();
        while (!line.isEmpty() && line.last().text.trimmed().isEmpty())
            line.removeLast();
        if (line.isEmpty())
            continue;
        while (line.first().text.startsWith(QLatin1Char(' ')))
            line.first().text.remove(0, 1);
        while (line.last().text.endsWith(QLatin1Char(' ')))
            line.last().text.chop(1);
    }
    segment.lines.removeIf([](const QList<Piece>& line) { return line.isEmpty(); });
    return segment;
}

QFont titleFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(static_cast<int>(referencePixelSize));
    return font;
}

// Lines are never empty once trimmed, so the width is never zero.
qreal lineWidth(const QFontMetricsF& metrics, const QList<Piece>& line) {
    qreal width = 0;
    for (const Piece& piece : line)
        width += metrics.horizontalAdvance(piece.text);
    return width;
}

bool isLight(const RgbColour& colour) {
    return 0.299 * colour.red + 0.587 * colour.green + 0.114 * colour.blue > 0.5;
}

} // namespace

QImage TitleIconRenderer::render(const StatusTitle& title) const {
    QImage image(iconSize, iconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QList<QList<TitleRun>> runsBySegment{{}};
    std::optional<RgbColour> dividerColour;
    for (const TitleRun& run : title.runs) {
        if (isDivider(run)) {
            dividerColour = run.foreground;
            runsBySegment.append(QList<TitleRun>());
        } else {
            runsBySegment.last().append(run);
        }
    }
    QList<Segment> segments;
    for (const QList<TitleRun>& runs : runsBySegment)
        segments.append(segmentFrom(runs, runsBySegment.size() == 1));

    qsizetype lineCount = 0;
    for (const Segment& segment : segments)
        lineCount += std::max<qsizetype>(segment.lines.size(), 1);

    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const qreal capHeight = metrics.capHeight();
    const qreal boxWidth = iconSize - 2 * margin;
    const qreal lineHeight = (iconSize - 2 * margin) / static_cast<qreal>(lineCount);

    // One scale for every line, so digits keep one size across the icon.
    qreal scale = lineHeight * capShareOfLine / capHeight;
    for (const Segment& segment : segments) {
        for (const QList<Piece>& line : segment.lines)
            scale = std::min(scale, (boxWidth - 2 * outlineWidth) / lineWidth(metrics, line));
    }

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal top = margin;
    for (qsizetype s = 0; s < segments.size(); ++s) {
        const Segment& segment = segments[s];
        const qreal height = lineHeight * std::max<qsizetype>(segment.lines.size(), 1);
        // A flashing target fills its whole part of the icon: at tray size a solid
        // block is what catches the eye, a box hugging the digits is not.
        if (segment.background) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(toQColor(*segment.background));
            painter.drawRoundedRect(QRectF(margin, top, boxWidth, height).adjusted(0, 1, 0, -1), 6, 6);
        }
        if (s > 0 && dividerColour) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(toQColor(*dividerColour));
            painter.drawRect(QRectF(margin + 6, top - dividerThickness / 2, boxWidth - 12, dividerThickness));
        }
        for (qsizetype l = 0; l < segment.lines.size(); ++l) {
            const QList<Piece>& line = segment.lines[l];
            qreal x = iconSize / 2.0 - lineWidth(metrics, line) * scale / 2;
            const qreal baseline = top + lineHeight * l + lineHeight / 2 + capHeight * scale / 2;
            for (const Piece& piece : line) {
                QPainterPath glyphs;
                glyphs.addText(0, 0, font, piece.text);
                painter.save();
                painter.translate(x, baseline);
                painter.scale(scale, scale);
                // A transparent run (the idle brackets' dark phase) leaves its space.
                if (piece.foreground.alpha > 0) {
                    // The panel may be light or dark: an outline of the opposite
                    // lightness keeps the colour readable on either.
                    if (!segment.background) {
                        QColor outline = isLight(piece.foreground) ? QColor(0, 0, 0) : QColor(255, 255, 255);
                        outline.setAlphaF(0.7f);
                        painter.strokePath(glyphs, QPen(outline, outlineWidth * 2 / scale, Qt::SolidLine,
                                                        Qt::RoundCap, Qt::RoundJoin));
                    }
                    painter.fillPath(glyphs, toQColor(piece.foreground));
                }
                painter.restore();
                x += metrics.horizontalAdvance(piece.text) * scale;
            }
        }
        top += height;
    }
    return image;
}
