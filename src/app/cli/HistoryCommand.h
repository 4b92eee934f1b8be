#pragma once

#include "logs/HistorySnapshot.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

class SettingsStore;

struct HistoryCommandContext {
    QString databasePath;
    // Names the router in the report's heading.
    const SettingsStore& settings;
    qint64 nowMs = 0;
    // The charts as a PNG image: the painter needs Qt Gui, which the commands
    // do not link.
    std::function<QByteArray(const HistorySnapshot&)> drawPng;
};

// `report [--since TIME] [--until TIME] [--html FILE | --png FILE | --csv FILE | --json]`
// and `history [--since TIME] [--until TIME] [--json] [--rows]`: the signal
// history of a range, the last 24 hours by default, read without writing.
// Return the process exit code: 0, 1 when the history cannot be read or the
// file not written, 2 for unusable arguments.
int runReportCommand(const QStringList& args, const HistoryCommandContext& context, QTextStream& out,
                     QTextStream& err);
int runHistoryCommand(const QStringList& args, const HistoryCommandContext& context, QTextStream& out,
                      QTextStream& err);
