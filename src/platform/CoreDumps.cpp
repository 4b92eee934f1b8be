#include "platform/CoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace CoreDumps {

bool turnOff() {
    const rlimit none{0, 0};
    const bool limited = ::setrlimit(RLIMIT_CORE, &none) == 0;
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && limited;
}

} // namespace CoreDumps
