#pragma once

#include "display/StatusTitle.h"

#include <QImage>

// Draws the status title into a square tray icon. Status-notifier trays take
// square pixmaps only and scale them to 16–24 px, so the title is laid out in
// lines that fill the square instead of one long line of tiny text.
class TitleIconRenderer {
public:
    // The largest icon a status-notifier host is sent.
    static constexpr int iconSize = 64;

    QImage render(const StatusTitle& title) const;
};
