#pragma once

#include <cstdint>

namespace fw::testing {

// How many calls of open, fstat, fcntl, mmap, munmap, close and sigaction the
// program's own code has made so far: the calls with which a binary stream
// opens, examines, maps and closes its file (reads and writes go through the
// mapping and make none). An executable that links the test drivers has its
// own code's calls of these routed through this count when it is linked;
// the toolkit's, in its shared libraries, are not counted.
std::uint64_t StreamSystemCalls();

}  // namespace fw::testing
