#pragma once

// Both programs hold the router's password, the access point's, session
// cookies and the GL.iNet sid in memory. A crash must not write them to a core
// file, and no other process of the user may read them through ptrace or
// /proc/PID/mem. First thing in main, before any secret is read.
namespace CoreDumps {

// The process stops being dumpable and its core limit becomes 0, soft and
// hard, so that no child it starts (ssh, holding a password too) raises it
// again. False when either could not be done.
bool turnOff();

} // namespace CoreDumps
