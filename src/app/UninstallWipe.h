#pragma once

#include <QStringList>

class CredentialStore;
class SettingsStore;

namespace UninstallWipe {

// Everything the program keeps about the user, before the program itself goes:
// the autostart entry, both keyring accounts of the router password, the
// settings folder (settings, router identities and known hosts, the copies of
// unreadable files set aside) and the session log's folder. Returns what could
// not be removed; empty when nothing is left. Blocks on the keyring.
QStringList wipeAllData(SettingsStore& settings, CredentialStore& credentials, const QString& sessionLogPath);

} // namespace UninstallWipe
