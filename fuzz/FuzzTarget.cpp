// libFuzzer entry points: each input is a typed replacement text and a map
// file, run through Load and Protect by the shared harness. A broken rule is
// printed and the process aborts, so libFuzzer keeps the input.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/Runtime.h"
#include "fuzz/MapHarness.h"
#include "shell/Tagshroud.h"

namespace {

// One scratch file per process, since libFuzzer's parallel jobs each need
// their own; in memory when the system has a shared-memory folder, as every
// input writes, maps and removes it.
std::string ScratchPath() {
    static const std::string path = [] {
        std::error_code error;
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path folder =
            access(shm.c_str(), W_OK) == 0 ? shm : std::filesystem::temp_directory_path(error);
        return (folder / ("tagshroud-fuzz-" + std::to_string(getpid()) + ".map")).string();
    }();
    return path;
}

}  // namespace

// Fontconfig, below the toolkit, keeps the fallback fonts it loads for an
// unusual glyph where LeakSanitizer cannot see them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    (void)argc;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The offscreen platform warns at every window it cannot raise, which
    // would be one line per input.
    setenv("QT_LOGGING_RULES", "default.warning=false", 0);
    // The toolkit gets an argument list of its own: it would take libFuzzer's
    // options for its own and remove them.
    static char name[] = "tagshroud_fuzz";
    static char* toolkitArgv[] = {name, nullptr};
    static int toolkitArgc = 1;
    (void)argv;
    fw::RuntimeInit(toolkitArgc, toolkitArgv);
    // The framework must stop before the static objects that it and the
    // toolkit make on first use are destroyed: one warm-up case makes them,
    // and the stop is registered after them, so it runs before they go.
    (void)mapfuzz::RunCase({"", "daeh"}, ScratchPath());
    // The main window works hidden, its controls headless: shown, its list
    // would be painted after every input, which costs more than the case
    // itself and tests only the toolkit's drawing of text.
    ::Tagshroud()->SetVisible(false);
    std::atexit([] {
        mapfuzz::CloseAllWindows();
        fw::RuntimeExit();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto problems = mapfuzz::RunCase(mapfuzz::SplitInput(data, size), ScratchPath()).Problems;
    if (problems.empty()) return 0;
    for (const auto& problem : problems) std::fprintf(stderr, "Tagshroud fuzz: %s\n", problem.c_str());
    std::fflush(stderr);
    std::abort();
}
