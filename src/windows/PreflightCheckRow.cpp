#include "windows/PreflightCheckRow.h"

#include "display/QtColour.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int iconWidth = 14;

// The sizes are those of a 72-dots-per-inch design, so they are pixels here.
QFont sizedFont(int points, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

void paintText(QLabel* label, const RgbColour& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, toQColor(colour));
    label->setPalette(palette);
}

QPushButton* smallButton(const QString& title, const QString& name) {
    auto* button = new QPushButton(title);
    button->setObjectName(name);
    button->setFont(sizedFont(11));
    button->setAutoDefault(false);
    // Narrower than the style's least push-button width, which fits dialogs.
    button->setStyleSheet(u"QPushButton { padding: 2px 8px; }"_s);
    return button;
}

} // namespace

PreflightCheckRow::PreflightCheckRow(const PreflightCheckItem& item, QWidget* parent)
    : QFrame(parent)
    , manualHint(item.manualHint)
    , statusIcon(new QLabel)
    , spinner(new QProgressBar)
    , detail(new QLabel) {
    setObjectName(u"preflightCheckRow%1"_s.arg(item.id));
    setStyleSheet(u"PreflightCheckRow { background: palette(base); border-radius: 6px; }"_s);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(8, 6, 8, 6);

    statusIcon->setFixedWidth(iconWidth);
    statusIcon->setAlignment(Qt::AlignCenter);
    // A busy bar, shrunk to the icon's size, spins while the check runs.
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(iconWidth, iconWidth * 6 / 10);
    line->addWidget(statusIcon, 0, Qt::AlignTop);
    line->addWidget(spinner, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    // Title and restart note share one label, so the pair wraps as a line of text.
    QString titleText = item.title.toHtmlEscaped();
    if (item.restartNote)
        titleText += u" <span style=\"font-size: 10px; font-weight: normal; color: %1;\">%2</span>"_s.arg(
            toQColor(Colour::secondaryLabel).name(), item.restartNote->toHtmlEscaped());
    auto* title = new QLabel(titleText);
    title->setTextFormat(Qt::RichText);
    title->setFont(sizedFont(12, QFont::Medium));
    title->setWordWrap(true);
    texts->addWidget(title);
    detail->setObjectName(u"statusText"_s);
    detail->setFont(sizedFont(10));
    detail->setWordWrap(true);
    texts->addWidget(detail);
    line->addLayout(texts, 1);

    if (item.check) {
        QPushButton* check = smallButton(u"Check"_s, u"checkButton"_s);
        connect(check, &QPushButton::clicked, this, [this, id = item.id] { Q_EMIT checkRequested(id); });
        line->addWidget(check, 0, Qt::AlignTop);
    }
    if (item.fix) {
        fixButton = smallButton(u"Fix It"_s, u"fixButton"_s);
        connect(fixButton, &QPushButton::clicked, this, [this, id = item.id] { Q_EMIT fixRequested(id); });
        line->addWidget(fixButton, 0, Qt::AlignTop);
    }
    showStatus(item.status);
}

void PreflightCheckRow::showStatus(const PreflightStatus& status) {
    using Case = PreflightStatus::Case;
    struct Look {
        QString glyph;
        RgbColour colour;
    };
    const Look look = status.kind == Case::passed       ? Look{u"\u2714"_s, Colour::excellentTeal}
                      : status.kind == Case::warning    ? Look{u"!"_s, Colour::systemYellow}
                      : status.kind == Case::failed     ? Look{u"\u2716"_s, Colour::systemRed}
                      : status.kind == Case::manualOnly ? Look{u"?"_s, Colour::secondaryLabel}
                      : status.kind == Case::notAvailable || status.kind == Case::couldNotCheck
                          ? Look{u"\u2013"_s, Colour::secondaryLabel}
                          : Look{u"\u25CB"_s, Colour::secondaryLabel};
    statusIcon->setText(look.glyph);
    paintText(statusIcon, look.colour);
    statusIcon->setVisible(status.kind != Case::checking);
    spinner->setVisible(status.kind == Case::checking);

    const QString shown = status.kind == Case::manualOnly ? manualHint.value_or(QString()) : status.text;
    detail->setText(shown);
    detail->setVisible(!shown.isEmpty());
    paintText(detail, status.kind == Case::failed ? Colour::systemRed : Colour::secondaryLabel);
    if (fixButton)
        fixButton->setVisible(status.kind == Case::failed && status.fixable);
}
