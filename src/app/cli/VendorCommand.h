#pragma once

#include <QStringList>
#include <QTextStream>

class SettingsStore;

// `veltrano-cli vendor MAC`: the camera vendor, the second-generation hint and the
// name the program would show for a device with that MAC and no hostname.
int runVendorCommand(const QStringList& args, const SettingsStore& settings, QTextStream& out,
                     QTextStream& err);
