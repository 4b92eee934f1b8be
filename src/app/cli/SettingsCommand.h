#pragma once

#include <QStringList>
#include <QTextStream>

class SettingsStore;

// `settings list | get KEY | set KEY VALUE | unset KEY`, typed by the settings
// schema. Returns the process exit code: 0 done, 1 nothing to print or the change
// could not be saved, 2 unusable arguments (unknown key, wrong value, bad verb).
int runSettingsCommand(const QStringList& args, SettingsStore& store, QTextStream& out, QTextStream& err);
