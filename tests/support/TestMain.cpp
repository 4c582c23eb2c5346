#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "framework/Runtime.h"

namespace {

// Outside a desktop session there is no runtime folder; the toolkit then
// warns on every start. Tests get one of their own, private as it must be.
void EnsureRuntimeDirectory() {
    if (std::getenv("XDG_RUNTIME_DIR")) return;
    const std::string folder = "/tmp/tagshroud-tests-runtime-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    chmod(folder.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), /*overwrite=*/0);
}

}  // namespace

// Every test process starts the framework once, on Qt's offscreen platform
// unless the environment names another, so window tests need no display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    EnsureRuntimeDirectory();
    testing::InitGoogleTest(&argc, argv);
    fw::RuntimeInit(argc, argv);
    const int result = RUN_ALL_TESTS();
    fw::RuntimeExit();
    return result;
}
