#pragma once

#include <cstdint>
#include <limits>

#include "framework/Runtime.h"

// The cooperative yield seen from a test: how many calls a run made, and
// where in a run the event loop next gets its turn.
namespace testsupport {

// Counts the yields while `run` runs: the countdown starts so high that it
// never reaches the event loop, and what it lost is the number of yields.
template <class Run>
std::uint64_t CountYields(Run&& run) {
    constexpr std::uint32_t Start = std::numeric_limits<std::uint32_t>::max();
    fw::detail::yieldCountdown = Start;
    run();
    const std::uint64_t yields = Start - fw::detail::yieldCountdown;
    fw::detail::yieldCountdown = 1;
    return yields;
}

// Makes the `turns`-th yield from now the one that goes to the event loop.
inline void EventLoopAtYield(std::uint32_t turns) { fw::detail::yieldCountdown = turns; }

}  // namespace testsupport
