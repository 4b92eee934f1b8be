#pragma once

#include <QString>
#include <chrono>

// What the SSH transports of an earlier run leave behind when it was killed,
// crashed or quit without running its destructors: askpass scripts, each
// holding a password in plain text, and the private folder a run makes in the
// temporary folder where the session offers no runtime folder.
namespace SshLeftovers {

// A master start writes its script, waits for ssh through ConnectTimeout and
// some 5 s of checks, and removes the script again. One older than this
// belongs to no start in progress, in this process or in one beside it.
inline constexpr std::chrono::seconds masterStartWindow{60};

// For start-up, in the one process that holds the instance lock, while the
// command-line program may be starting a master beside it. Removes the askpass
// scripts in `runtimeFolder` (when it is a private folder of ours) that are
// plain files of ours older than masterStartWindow, and each run folder in
// `temporaryFolder` that is a real folder (no link is followed) of ours with
// no group or world access, unchanged for masterStartWindow and held by no
// live run. A run folder that holds a folder of its own (no run makes one)
// keeps it and stays.
void removeStale(const QString& runtimeFolder, const QString& temporaryFolder);

// The askpass scripts in `runtimeFolder`, whatever their age: for a way out
// that skips the destructors.
void removeAskpassScripts(const QString& runtimeFolder);

} // namespace SshLeftovers
