#pragma once

#include <QStringList>
#include <QTextStream>

class SettingsStore;

// `veltrano-cli trust list | forget ADDRESS`: the routers' certificates, host
// keys and families the program has pinned, kept beside `settings`, and
// forgetting those of one address (after the router there was replaced or
// reset) so that the next connection trusts what it presents. Returns the exit code: 0 done, 1 the files
// could not be rewritten, 2 unusable arguments.
int runTrustCommand(const QStringList& args, SettingsStore& settings, QTextStream& out, QTextStream& err);
