#pragma once

#include <QStringList>
#include <QTextStream>

class RouterIdentityStore;

// `veltrano-cli trust list | forget ADDRESS`: the routers' certificates and host
// keys the program has pinned, and forgetting those of one address (after the
// router there was replaced or reset) so that the next connection trusts what
// it presents. Returns the exit code: 0 done, 1 the files could not be
// rewritten, 2 unusable arguments.
int runTrustCommand(const QStringList& args, RouterIdentityStore& identities, QTextStream& out,
                    QTextStream& err);
