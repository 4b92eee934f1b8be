#include "platform/CoreDumps.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child, so that this test process stays dumpable for its debugger. The
// shell it then runs stands for ssh: it inherits both limits at 0.
TEST(CoreDumps, TurnedOffTheProcessIsNotDumpableAndNoChildCanDump) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!CoreDumps::turnOff() || ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0)
            ::_exit(3);
        ::execl("/bin/sh", "sh", "-c", "[ \"$(ulimit -Sc)\" = 0 ] && [ \"$(ulimit -Hc)\" = 0 ]", nullptr);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
