#pragma once

#include <QList>
#include <QString>

// One change note shown after an update: the build that introduced it and the
// note itself in Markdown.
struct WhatsNewEntry {
    // Eight digits, compared as strings.
    QString build;
    QString text;

    // Every note of this program, in the order they are shown.
    static const QList<WhatsNewEntry>& table();
};
