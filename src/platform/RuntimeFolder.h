#pragma once

// A session without XDG_RUNTIME_DIR (a console login outside systemd's
// session, a container) still gets a private runtime folder: /tmp's
// veltrano-runtime-UID, made with mode 0700 and used only while it is a real
// folder of ours that nobody else can enter. The variable is set for the rest
// of the process, so Qt finds it without its warning and the lock, the
// instance socket and the ssh sockets land there. Before QCoreApplication.
namespace RuntimeFolder {
void provideWhenUnset();
}
