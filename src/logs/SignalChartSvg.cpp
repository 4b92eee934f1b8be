#include "logs/SignalChartSvg.h"

#include "router/RouterText.h"

#include <QStringList>
#include <cmath>

namespace {

constexpr qreal tickGap = 6;

// A tenth of a pixel is finer than any screen shows, and keeps a day of
// readings from bloating the page.
QString number(qreal value) {
    return QString::number(std::round(value * 10) / 10 + 0.0, 'g', 12);
}

QString colour(const RgbColour& rgb) {
    const auto channel = [](double part) {
        return QString::number(qBound(0, int(std::lround(part * 255)), 255), 16).rightJustified(2, u'0');
    };
    return u'#' + channel(rgb.red) + channel(rgb.green) + channel(rgb.blue);
}

QString escaped(const QString& text) {
    return routerText(text, RouterTextKind::line).toHtmlEscaped();
}

QString rect(const QRectF& area, const QString& fill) {
    return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" %5/>")
        .arg(number(area.x()), number(area.y()), number(area.width()), number(area.height()), fill);
}

QString text(qreal x, qreal y, const QString& anchor, const QString& content) {
    return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\">%4</text>")
        .arg(number(x), number(y), anchor, escaped(content));
}

QString polylines(const QList<QList<QPointF>>& lines, const RgbColour& stroke) {
    QString out;
    for (const QList<QPointF>& line : lines) {
        QStringList points;
        for (const QPointF& point : line)
            points.append(number(point.x()) + u',' + number(point.y()));
        out += QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"1.5\" points=\"%2\"/>")
                   .arg(colour(stroke), points.join(u' '));
    }
    return out;
}

} // namespace

QString SignalChartSvg::svg(const SignalChartGeometry& chart) {
    const QRectF plot = chart.plot;
    // Two charts share one page, so each keeps its pattern under its own name.
    const QString hatchId = QStringLiteral("slot-%1-outage")
                                .arg(chart.slot == TargetSlot::a ? QStringLiteral("a") : QStringLiteral("b"));
    const RgbColour red = stateColour(SignalState::critical);

    QString out = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                                 "viewBox=\"0 0 %1 %2\" role=\"img\" aria-label=\"%3\" font-size=\"11\">")
                      .arg(number(chart.size.width()), number(chart.size.height()), escaped(chart.title));
    out += QStringLiteral("<defs><pattern id=\"%1\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
                          "patternTransform=\"rotate(45)\"><rect width=\"2\" height=\"6\" fill=\"%2\"/>"
                          "</pattern></defs>")
               .arg(hatchId, colour(stateColour(SignalState::offline)));
    out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"14\" font-weight=\"bold\">%3</text>")
               .arg(number(plot.left()), number(plot.top() / 2 + 5), escaped(chart.title));
    for (const SignalChartGeometry::StateSpan& span : chart.stateSpans)
        out += rect(span.rect, QStringLiteral("fill=\"%1\"").arg(colour(stateColour(span.state))));
    for (const QRectF& drop : chart.drops)
        out +=
            rect(drop, QStringLiteral("fill=\"%1\" fill-opacity=\"%2\"").arg(colour(red)).arg(dropOpacity));
    for (const QRectF& outage : chart.outages)
        out += rect(outage, QStringLiteral("fill=\"url(#%1)\"").arg(hatchId));
    out += rect(plot, QStringLiteral("fill=\"none\" stroke=\"%1\"").arg(colour(Colour::secondaryLabel)));
    out += polylines(chart.rssiLines, Colour::black);
    out += polylines(chart.rateLines, Colour::veltranoBlue);
    for (const SignalChartGeometry::Mark& mark : chart.marks) {
        out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"%4\" "
                              "stroke-dasharray=\"4 3\"/>")
                   .arg(number(mark.x), number(plot.top()), number(plot.bottom()),
                        colour(Colour::secondaryLabel));
        if (!mark.label.isEmpty())
            out += text(mark.x + 3, plot.top() + 12, QStringLiteral("start"), mark.label);
    }
    for (const SignalChartGeometry::Tick& tick : chart.timeTicks)
        out += text(tick.at, plot.bottom() + tickGap + 11, QStringLiteral("middle"), tick.label);
    for (const SignalChartGeometry::Tick& tick : chart.rssiTicks)
        out += text(plot.left() - tickGap, tick.at + 4, QStringLiteral("end"), tick.label);
    for (const SignalChartGeometry::Tick& tick : chart.rateTicks)
        out += text(plot.right() + tickGap, tick.at + 4, QStringLiteral("start"), tick.label);
    return out + QStringLiteral("</svg>");
}
