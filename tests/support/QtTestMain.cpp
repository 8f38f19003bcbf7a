#include "support/TempDir.h"

#include <QApplication>
#include <gtest/gtest.h>

// Test programs that create widgets need one QApplication for their whole run.
int main(int argc, char** argv) {
    zktest::SetTestEnvironment();
    // Window tests run as on a desktop with a tray unless a test says otherwise
    // (the offscreen platform has none).
    qputenv("ZK412V_TRAY", qgetenv("ZK412V_TRAY").isEmpty() ? "1" : qgetenv("ZK412V_TRAY"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
