#include "TestExitStatus.h"

#include <QByteArray>
#include <cstdio>
#include <gtest/gtest.h>

int testExitStatus(int testStatus) {
    const int skipped = ::testing::UnitTest::GetInstance()->skipped_test_count();
    if (testStatus != 0 || skipped == 0)
        return testStatus;
    if (qgetenv("CI") == "true") {
        std::fprintf(stderr, "not run, and CI=true needs it: %d skipped test(s) above\n", skipped);
        return 1;
    }
    return 77;
}
