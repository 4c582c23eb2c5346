#pragma once

#include <memory>

namespace fw {
class Window;
}  // namespace fw

// Watches how often the event loop gets to run while a long routine holds the
// one thread, as a user waiting on the window would notice it: how many times
// the window was painted, and the longest stretch in which it could not have
// been (no turn of the loop at all).
namespace fw::testing {

class EventLoopWatch {
public:
    // Starts watching `window`. A timer due every millisecond stands for any
    // work the loop has waiting: each time the loop lets it fire is a turn.
    explicit EventLoopWatch(Window& window);
    ~EventLoopWatch();
    EventLoopWatch(const EventLoopWatch&) = delete;
    EventLoopWatch& operator=(const EventLoopWatch&) = delete;

    // Stops watching; the figures below then stay as they are.
    void Stop();

    // Paint events delivered to the window or any widget inside it.
    int Paints() const;
    // The longest time, in milliseconds, between the start, the turns of the
    // loop and the stop.
    double LongestGapMs() const;
    // The same between the start, the paints and the stop.
    double LongestPaintGapMs() const;

private:
    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};

}  // namespace fw::testing
