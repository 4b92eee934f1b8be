#pragma once

#include <QStringList>
#include <QTextStream>

class CredentialStore;
class SettingsStore;

// `password set | delete | status` on the credential-store account of the stored
// `routerIP`. `set` reads the password as one line from `in` (never from the
// arguments, which any local user can read in the process list), with terminal
// echo off when `inputIsTerminal`; nothing ever prints it. Returns the exit code:
// 0 done (status: a password is stored), 1 no routerIP, nothing stored or the
// store failed, 2 unusable arguments.
int runPasswordCommand(const QStringList& args, const SettingsStore& settings, CredentialStore& store,
                       QTextStream& in, bool inputIsTerminal, QTextStream& out, QTextStream& err);
