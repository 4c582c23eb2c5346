#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <thread>

#include "framework/Runtime.h"
#include "framework/testing/Simulate.h"

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

// Runs `work` inside the `turns`-th yield from now, as the event loop runs
// whatever waits for it there. A yield lets the loop run only when a repaint
// is due (every 16 ms), so that long is waited out first; nothing may process
// events between this and the run that yields.
inline void RunAtYield(std::uint32_t turns, std::function<void()> work) {
    fw::testing::PostToEventLoop(std::move(work));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EventLoopAtYield(turns);
}

}  // namespace testsupport
