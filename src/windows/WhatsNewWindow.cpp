#include "windows/WhatsNewWindow.h"

#include "BuildInfo.h"
#include "display/QtColour.h"
#include "windows/ScanningBrandText.h"
#include "windows/ScreenFit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int contentWidth = 420;
constexpr int padding = 20;
constexpr int rowSpacing = 12;

// The sizes are those of a 72-dots-per-inch design, so they are pixels here.
QFont sizedFont(int points, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

QLabel* secondaryLabel(const QString& text, const QFont& font, qreal opacity = 1.0) {
    auto* label = new QLabel(text);
    label->setFont(font);
    QColor colour = toQColor(Colour::secondaryLabel);
    colour.setAlphaF(static_cast<float>(opacity));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QString accentName() {
    return toQColor(Colour::excellentTeal).name();
}

} // namespace

WhatsNewWindow::WhatsNewWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("whatsNewWindow"));
    setWindowTitle(QStringLiteral("What's New in Veltrano"));
    setFixedWidth(contentWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(16);
    column->addWidget(header());

    auto* card = new QFrame;
    card->setObjectName(QStringLiteral("whatsNewCard"));
    card->setStyleSheet(QStringLiteral("#whatsNewCard { background: palette(base); border-radius: 14px;"
                                       " border: 1px solid rgba(0, 0, 0, 15); }"));
    entryRows = new QVBoxLayout(card);
    entryRows->setContentsMargins(10, 10, 10, 10);
    entryRows->setSpacing(rowSpacing);
    column->addWidget(card);

    auto* gotIt = new QPushButton(QStringLiteral("Got it"));
    gotIt->setObjectName(QStringLiteral("gotItButton"));
    gotIt->setDefault(true);
    gotIt->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                        " border-radius: 6px; padding: 6px 18px; font-weight: 600; }")
                             .arg(accentName()));
    connect(gotIt, &QPushButton::clicked, this, &QWidget::hide);
    column->addWidget(gotIt, 0, Qt::AlignHCenter);
}

QWidget* WhatsNewWindow::header() {
    auto* header = new QWidget;
    auto* lines = new QVBoxLayout(header);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    auto* words = new QHBoxLayout;
    words->setSpacing(6);
    auto* sparkles = new QLabel(QStringLiteral("\u2726"));
    sparkles->setStyleSheet(QStringLiteral("color: %1;").arg(accentName()));
    sparkles->setFont(sizedFont(14, QFont::DemiBold));
    words->addWidget(sparkles);
    const QFont semibold = sizedFont(12, QFont::DemiBold);
    words->addWidget(secondaryLabel(QStringLiteral("NEW IN"), semibold));
    words->addWidget(new ScanningBrandText(QStringLiteral("VELTRANO"), semibold));
    const QString buildLabel = QString::fromUtf8(BuildInfo::buildLabel);
    if (!buildLabel.isEmpty())
        words->addWidget(secondaryLabel(buildLabel.toUpper(), semibold));
    words->addStretch();
    lines->addLayout(words);

    QFont buildFont = sizedFont(11, QFont::Medium);
    buildFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    lines->addWidget(secondaryLabel(
        QStringLiteral("(BUILD %1)").arg(QString::fromUtf8(BuildInfo::buildNumber)), buildFont, 0.7));
    return header;
}

void WhatsNewWindow::present(const QList<WhatsNewEntry>& entries) {
    while (QLayoutItem* row = entryRows->takeAt(0)) {
        delete row->widget();
        delete row;
    }
    for (const WhatsNewEntry& entry : entries)
        addEntry(entry);
    // The notes wrap at the window's fixed width, so their height follows from it.
    resize(contentWidth, layout()->totalHeightForWidth(contentWidth));
    centreOnPrimaryScreen(*this);
    show();
    raise();
    activateWindow();
}

void WhatsNewWindow::addEntry(const WhatsNewEntry& entry) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* dot = new QLabel(QStringLiteral("\u25CF"));
    dot->setStyleSheet(QStringLiteral("color: %1; font-size: 6pt;").arg(accentName()));
    line->addWidget(dot, 0, Qt::AlignTop);
    auto* text = new QLabel;
    text->setObjectName(QStringLiteral("whatsNewEntry"));
    text->setTextFormat(Qt::MarkdownText);
    text->setWordWrap(true);
    text->setFont(sizedFont(12, QFont::Normal));
    text->setText(entry.text);
    line->addWidget(text, 1);
    entryRows->addWidget(row);
}
