#include "support/TempDir.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    zktest::SetTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
