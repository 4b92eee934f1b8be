#pragma once

#include "Scenario.h"

#include <QString>

// The clients as they stand now, kept on disk for the `ubus` and `hostapd_cli`
// stand-ins that sshd sessions run. Each family's simulator keeps its own file
// in the state folder, named after the family, in the scenario format.
class ClientStateFile {
public:
    static QString path(const QString& stateDirectory, const QString& family);
    // Replaced atomically, so a reader never sees half a file.
    static bool write(const QString& filePath, const Scenario& scenario, const QList<SimClient>& clients);
    static std::optional<Scenario> read(const QString& filePath);
};
