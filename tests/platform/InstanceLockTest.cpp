#include "platform/InstanceLock.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A second process is refused too; ProgramLaunchTest sees that from outside.
// A holder that dies without cleaning up, as on SIGKILL, leaves no stale lock.
TEST(InstanceLock, OnlyOneHolderAtATimeAndReleasedWithItsOwnerEvenAKilledOne) {
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("runtime/veltrano.lock"));
    {
        std::optional<InstanceLock> first = InstanceLock::acquire(path);
        ASSERT_TRUE(first.has_value());
        EXPECT_FALSE(InstanceLock::acquire(path).has_value());
    }
    const pid_t child = fork();
    if (child == 0) {
        std::optional<InstanceLock> held = InstanceLock::acquire(path);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(InstanceLock::acquire(path).has_value());
}

} // namespace
