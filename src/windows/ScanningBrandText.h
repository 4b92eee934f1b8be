#pragma once

#include <QVariantAnimation>
#include <QWidget>

// A word in the secondary colour with a blue–magenta–blue band gliding across
// its letters and back, for as long as it is shown.
class ScanningBrandText : public QWidget {
    Q_OBJECT
public:
    ScanningBrandText(const QString& text, const QFont& font, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString text;
    // 0 with the band left of the word's centre, 1 right of it.
    QVariantAnimation sweep;
};
