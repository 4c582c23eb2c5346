#pragma once

#include <cassert>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

namespace fw {

class MenuBar;

// The application object. A program registers one; its menu bar is the
// application's, shown where the platform has a menu bar of its own.
class Application {
public:
    virtual ~Application() = default;
    std::shared_ptr<fw::MenuBar> MenuBar() const { return menuBar_; }
    void SetMenuBar(std::shared_ptr<fw::MenuBar> menuBar);

private:
    std::shared_ptr<fw::MenuBar> menuBar_;
};

// Starts the framework. Must come before any window or dialog exists.
void RuntimeInit(int& argc, char** argv);
// Makes `app` the framework's application object; the framework keeps it.
void RuntimeRegisterAppObject(std::shared_ptr<Application> app);
std::shared_ptr<Application> RegisteredAppObject();
// Runs the event loop until the application quits.
void RuntimeRun();
// Ends the event loop; RuntimeRun then returns. A quit that comes before the
// loop runs makes the next RuntimeRun return at once.
void Quit(int status = 0);
// Stops the framework and gives the process's exit status.
int RuntimeExit();

// The framework's report of an exception that nothing caught: a modal message
// box naming the error. It returns once the message is dismissed.
void UnhandledException(std::exception_ptr error);

// Runs an event handler as the event loop does: an exception escaping it goes
// to UnhandledException and the caller goes on.
void DispatchEvent(const std::function<void()>& handler);

// The cooperative yield of long loops. Every so often it lets the event loop
// repaint windows; it delivers no user input, so nothing the user does can
// start inside the loop that yields. Between those moments a call costs a
// decrement and a test.
namespace detail {
extern std::uint32_t yieldCountdown;
void YieldToEventLoop();
}  // namespace detail

inline void RuntimeBackgroundTask() {
    if (--detail::yieldCountdown == 0) detail::YieldToEventLoop();
}

// For a loop that can run a stretch of its turns as one block: how many
// calls of RuntimeBackgroundTask in a row, from now, would only count down.
inline std::uint32_t RuntimeQuietTurns() { return detail::yieldCountdown - 1; }

// Counts `turns` calls of RuntimeBackgroundTask at once; at most
// RuntimeQuietTurns() of them, so that none of them had anything to do.
inline void RuntimeCountQuietTurns(std::uint32_t turns) {
    assert(turns <= RuntimeQuietTurns());
    detail::yieldCountdown -= turns;
}

}  // namespace fw
