#pragma once

#include <QStringList>

class CredentialStore;
class SettingsStore;

namespace UninstallWipe {

// What the wipe removed, as the last dialog names it ("settings", "saved
// credentials", "Launch at Login", "the session log"), and what it could not,
// each with where it stays.
struct Report {
    QStringList removed;
    QStringList left;
};

// Everything the program keeps about the user, before the program itself goes:
// the autostart entry, both keyring accounts of the router password, the
// settings folder (settings, router identities and known hosts, the copies of
// unreadable files set aside) and the session log's folder. Blocks on the keyring.
Report wipeAllData(SettingsStore& settings, CredentialStore& credentials, const QString& sessionLogPath);

// The dialog's sentence about the data: the plain one when nothing is left,
// otherwise what went and what stayed.
QString summary(const Report& report);

// After the run that wiped: the instance lock and the runtime folder (the
// instance socket's and the SSH sockets'), once nothing uses them.
void removeRuntimeFiles(const QString& lockPath, const QString& runtimeFolder);

} // namespace UninstallWipe
