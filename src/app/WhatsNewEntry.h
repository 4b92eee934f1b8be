#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

// One change note of the What's New window.
struct WhatsNewEntry {
    // Made when the table is built; only tells rows apart.
    QUuid id;
    // Eight digits, the form of BuildInfo::buildNumber, so that string order is
    // numeric order.
    QString build;
    // Markdown: bold with **, a hard line break before a second sentence.
    QString text;
};

// Every note, in the order the window lists them. Built once per run.
const QList<WhatsNewEntry>& whatsNewEntries();

// The notes newer than `lastSeen` (compared as strings), in table order; none
// when `lastSeen` is absent.
QList<WhatsNewEntry> unseenEntries(const std::optional<QString>& lastSeen);
