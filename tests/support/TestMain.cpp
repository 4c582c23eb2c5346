#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/Runtime.h"

// Every test process starts the framework once, on Qt's offscreen platform
// unless the environment names another, so window tests need no display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    testing::InitGoogleTest(&argc, argv);
    fw::RuntimeInit(argc, argv);
    const int result = RUN_ALL_TESTS();
    fw::RuntimeExit();
    return result;
}
