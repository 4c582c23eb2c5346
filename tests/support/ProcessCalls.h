#pragma once

#include <cstdint>

namespace testsupport {

// The read and write calls this process has made so far, as the kernel counts
// them (/proc/self/io): a stream that read or wrote through calls of its own
// would show here, however it made them.
std::int64_t ProcessReadWriteCalls();

}  // namespace testsupport
