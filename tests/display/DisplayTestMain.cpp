#include "TestEnvironment.h"
#include "TestExitStatus.h"

#include <QApplication>
#include <gtest/gtest.h>

// The display tests draw pixmaps and build widgets, which need a full
// QApplication rather than the core tests' QCoreApplication.
int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return testExitStatus(RUN_ALL_TESTS());
}
