#pragma once

#include "display/StatusTitle.h"

#include <QImage>

// Draws the status title into a square tray icon of the size a panel shows it at.
// Status-notifier trays take square pixmaps only, so the title is laid out in
// lines that fill the square instead of one long line of tiny text. Each target
// sits on a plate of its own: the panel behind may be any colour, the plate is
// one every state's digits stand out from.
class TitleIconRenderer {
public:
    QImage render(const StatusTitle& title, int size) const;
};
