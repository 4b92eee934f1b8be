#include "TestEnvironment.h"
#include "TestExitStatus.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return testExitStatus(RUN_ALL_TESTS());
}
