#pragma once

#include <QStringList>
#include <QTextStream>

class WirelessLink;

// `link`: one reading of the computer's own Wi-Fi link. Returns the process exit
// code: 0, 1 when the machine has no Wi-Fi interface, 2 for unusable arguments.
int runLinkCommand(const QStringList& args, const WirelessLink& link, QTextStream& out, QTextStream& err);
