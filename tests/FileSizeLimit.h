#pragma once

#include <csignal>
#include <sys/resource.h>

// Runs `write` as on a full disk: a write past `bytes` fails half-way, with the
// signal that would end the process ignored, as a file system running out of
// room looks to the program.
template <typename Write> void withFileSizeLimit(rlim_t bytes, Write write) {
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    write();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
}
