#include "display/FloatingSignalState.h"
#include "display/FloatingSignalView.h"
#include "display/QtColour.h"
#include "display/TitleIconRenderer.h"
#include "monitor/WiFiMonitor.h"

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

// Pictures for a person to look at; they are not compared with anything.
namespace {

class DisplayPicturesTest : public ::testing::Test {
protected:
    QDir folder{QStringLiteral(VELTRANO_PICTURES_DIR)};

    void SetUp() override { ASSERT_TRUE(folder.mkpath(QStringLiteral("."))); }

    // A router target's part of the title in the combo style.
    static TitleRun segment(SignalState state, int rssi, bool flashOn) {
        if (state == SignalState::offline)
            return {QStringLiteral(" -- "), Colour::systemGrey, std::nullopt};
        const QString text = QStringLiteral(" %1*5G").arg(rssi);
        if (isAlertingState(state) && flashOn)
            return {text, Colour::black, stateColour(state)};
        return {text, stateColour(state), std::nullopt};
    }

    void save(const QImage& image, const QString& name) {
        const QString path = folder.filePath(name + QStringLiteral(".png"));
        ASSERT_TRUE(image.save(path)) << path.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0);
    }
};

TEST_F(DisplayPicturesTest, trayIcons) {
    const QList<std::pair<QString, StatusTitle>> titles{
        {QStringLiteral("idle-on"), WiFiMonitor::idleTitle(true)},
        {QStringLiteral("idle-off"), WiFiMonitor::idleTitle(false)},
        {QStringLiteral("excellent"), {{segment(SignalState::excellent, -52, false)}}},
        {QStringLiteral("marginal-on"), {{segment(SignalState::marginal, -67, true)}}},
        {QStringLiteral("marginal-off"), {{segment(SignalState::marginal, -67, false)}}},
        {QStringLiteral("critical-on"), {{segment(SignalState::critical, -78, true)}}},
        {QStringLiteral("critical-off"), {{segment(SignalState::critical, -78, false)}}},
        {QStringLiteral("offline"), {{segment(SignalState::offline, -99, false)}}},
        {QStringLiteral("split-on"),
         {{segment(SignalState::critical, -78, true),
           {QStringLiteral("|"), Colour::secondaryLabel, std::nullopt},
           segment(SignalState::excellent, -52, false)}}},
        {QStringLiteral("split-off"),
         {{segment(SignalState::critical, -78, false),
           {QStringLiteral("|"), Colour::secondaryLabel, std::nullopt},
           segment(SignalState::excellent, -52, false)}}},
    };

    // Every icon at full size and at panel size, on a dark and on a light panel.
    const int cell = TitleIconRenderer::iconSize + 8;
    QImage sheet(cell * static_cast<int>(titles.size()), 2 * (cell + 32), QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const TitleIconRenderer renderer;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QImage icon = renderer.render(titles[i].second);
        save(icon, QStringLiteral("tray-") + titles[i].first);
        for (int panel = 0; panel < 2; ++panel) {
            const int x = static_cast<int>(i) * cell;
            const int y = panel * (cell + 32);
            painter.fillRect(x, y, cell, cell + 32,
                             panel == 0 ? QColor(0x24, 0x24, 0x24) : QColor(0xf6, 0xf5, 0xf4));
            painter.drawImage(QPoint(x + 4, y + 4), icon);
            painter.drawImage(QRect(x + 4, y + cell + 4, 22, 22), icon);
        }
    }
    painter.end();
    save(sheet, QStringLiteral("tray-sheet"));
}

TEST_F(DisplayPicturesTest, floatingView) {
    FloatingSignalState state;
    FloatingSignalView view(state);
    view.resize(480, 240);
    state.setColorA(Colour::excellentTeal);
    save(view.grab().toImage(), QStringLiteral("floating-single"));

    state.setColorA(Colour::systemRed);
    state.setColorB(Colour::excellentTeal);
    state.setLabelA(QStringLiteral("A"));
    state.setLabelB(QStringLiteral("B"));
    save(view.grab().toImage(), QStringLiteral("floating-split"));
    state.setColorA(Colour::black);
    save(view.grab().toImage(), QStringLiteral("floating-split-dark-phase"));
}

} // namespace
