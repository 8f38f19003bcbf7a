#include "support/TempDir.h"

#include <QApplication>
#include <gtest/gtest.h>

// Test programs that create widgets need one QApplication for their whole run.
int main(int argc, char** argv) {
    zktest::SetTestEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
