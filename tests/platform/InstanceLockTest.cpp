#include "platform/InstanceLock.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(InstanceLock, OnlyOneHolderAtATimeAndReleasedWithItsOwner) {
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("runtime/veltrano.lock"));

    {
        std::optional<InstanceLock> first = InstanceLock::acquire(path);
        ASSERT_TRUE(first.has_value());
        EXPECT_FALSE(InstanceLock::acquire(path).has_value());

        // Another process is refused too; it reports back through its exit status.
        const pid_t child = fork();
        if (child == 0)
            _exit(InstanceLock::acquire(path).has_value() ? 1 : 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_TRUE(InstanceLock::acquire(path).has_value());
}

TEST(InstanceLock, HolderThatDiesWithoutCleaningUpLeavesNoStaleLock) {
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("runtime/veltrano.lock"));

    const pid_t child = fork();
    if (child == 0) {
        std::optional<InstanceLock> held = InstanceLock::acquire(path);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(InstanceLock::acquire(path).has_value());
}

} // namespace
