#include "display/TitleIconRenderer.h"

#include "display/QtColour.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// Glyphs are laid out at this size and the whole drawing is scaled to fit.
constexpr qreal referencePixelSize = 100.0;
// Share of a line box the digits may fill; the rest keeps lines apart.
constexpr qreal capShareOfLine = 0.7;
// How far the digits may be narrowed to stay tall in a square: three characters
// are wider than high, and at 22 px height is what makes them readable.
constexpr qreal narrowestCondensing = 0.6;
// Below this size a second line would halve the digits; the band is left to the
// tooltip and the menu.
constexpr int smallestSizeWithBand = 32;
// Black behind every colour a title uses: the red of a critical reading, the
// darkest of them, still keeps a contrast of 4.3 to it.
const QColor plateColour(0, 0, 0);

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

// The combined form (" -64*5G") is the RSSI and the band. With room for two lines
// it reads best as the RSSI above the band; otherwise the RSSI alone keeps a size
// one can read at panel size.
Segment segmentFrom(const QList<TitleRun>& runs, bool withBand) {
    Segment segment;
    segment.lines.append(QList<Piece>());
    for (const TitleRun& run : runs) {
        if (!segment.background)
            segment.background = run.background;
        const QStringList parts = run.text.split(QLatin1Char('*'));
        if (!withBand) {
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
    font.setStretch(QFont::Condensed);
    font.setPixelSize(static_cast<int>(referencePixelSize));
    return font;
}

// A line's glyphs at the reference size, each piece placed after the one before.
struct LineShape {
    QList<std::pair<QPainterPath, RgbColour>> pieces;
    QRectF ink;
};

LineShape shapeOf(const QList<Piece>& line, const QFont& font, const QFontMetricsF& metrics) {
    LineShape shape;
    qreal x = 0;
    for (const Piece& piece : line) {
        QPainterPath glyphs;
        glyphs.addText(x, 0, font, piece.text);
        shape.ink = shape.ink.united(glyphs.boundingRect());
        shape.pieces.append({glyphs, piece.foreground});
        x += metrics.horizontalAdvance(piece.text);
    }
    return shape;
}

} // namespace

QImage TitleIconRenderer::render(const StatusTitle& title, int size) const {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QList<QList<TitleRun>> runsBySegment{{}};
    for (const TitleRun& run : title.runs) {
        if (isDivider(run))
            runsBySegment.append(QList<TitleRun>());
        else
            runsBySegment.last().append(run);
    }
    const bool withBand = runsBySegment.size() == 1 && size >= smallestSizeWithBand;
    QList<Segment> segments;
    for (const QList<TitleRun>& runs : runsBySegment)
        segments.append(segmentFrom(runs, withBand));

    qsizetype lineCount = 0;
    for (const Segment& segment : segments)
        lineCount += std::max<qsizetype>(segment.lines.size(), 1);

    // The gap between two plates is what divides the targets.
    const qreal gap = std::max(1.0, size / 22.0);
    const qreal inset = std::max(1.0, size * 0.06);
    const qreal platesHeight = size - gap * static_cast<qreal>(segments.size() - 1);
    const qreal lineHeight =
        (platesHeight - 2 * inset * static_cast<qreal>(segments.size())) / static_cast<qreal>(lineCount);
    const qreal boxWidth = size - 2 * inset;

    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const qreal capHeight = metrics.capHeight();
    QList<QList<LineShape>> shapes;
    // One scale for every line, so digits keep one size across the icon.
    qreal scaleY = lineHeight * capShareOfLine / capHeight;
    qreal widthScale = scaleY;
    for (const Segment& segment : segments) {
        shapes.append(QList<LineShape>());
        for (const QList<Piece>& line : segment.lines) {
            shapes.last().append(shapeOf(line, font, metrics));
            widthScale = std::min(widthScale, boxWidth / shapes.last().last().ink.width());
        }
    }
    if (widthScale < scaleY * narrowestCondensing)
        scaleY = widthScale / narrowestCondensing;
    const qreal scaleX = std::min(scaleY, widthScale);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal top = 0;
    for (qsizetype s = 0; s < segments.size(); ++s) {
        const Segment& segment = segments[s];
        const qreal plateHeight =
            2 * inset + lineHeight * static_cast<qreal>(std::max<qsizetype>(segment.lines.size(), 1));
        // A flashing target fills its plate with its colour: at tray size a solid
        // block is what catches the eye.
        painter.setPen(Qt::NoPen);
        painter.setBrush(segment.background ? toQColor(*segment.background) : plateColour);
        const qreal radius = std::min(plateHeight, static_cast<qreal>(size)) * 0.18;
        painter.drawRoundedRect(QRectF(0, top, size, plateHeight), radius, radius);
        for (qsizetype l = 0; l < shapes[s].size(); ++l) {
            const LineShape& shape = shapes[s][l];
            // On whole pixels the digits' tops and feet are sharp, not grey rows.
            const qreal baseline = std::round(top + inset + lineHeight * static_cast<qreal>(l) +
                                              lineHeight / 2 + capHeight * scaleY / 2);
            painter.save();
            painter.translate(size / 2.0 - shape.ink.center().x() * scaleX, baseline);
            painter.scale(scaleX, scaleY);
            // A transparent run (the idle brackets' dark phase) leaves its space.
            for (const auto& [glyphs, foreground] : shape.pieces) {
                if (foreground.alpha > 0)
                    painter.fillPath(glyphs, toQColor(foreground));
            }
            painter.restore();
        }
        top += plateHeight + gap;
    }
    return image;
}
