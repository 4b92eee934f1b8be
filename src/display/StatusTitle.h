#pragma once

#include "monitor/RgbColour.h"

#include <QList>
#include <QString>
#include <optional>

// One run of the status title: text in one colour, on an optional background.
struct TitleRun {
    QString text;
    RgbColour foreground;
    std::optional<RgbColour> background;

    bool operator==(const TitleRun&) const = default;
};

// The coloured status title as a value: the monitor builds it, the tray draws it.
// Runs are in reading order; every run uses the title font (12 pt, medium weight,
// monospaced digits).
struct StatusTitle {
    QList<TitleRun> runs;
    // What the tray shows on hover: the reading in words, a line per target.
    QString toolTip;

    // The runs' plain text.
    QString text() const {
        QString plain;
        for (const TitleRun& run : runs)
            plain += run.text;
        return plain;
    }

    bool operator==(const StatusTitle&) const = default;
};
