#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/Controls.h"
#include "framework/Runtime.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "tests/framework/TestWindows.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

using fwtest::Build;
using fwtest::RecipeWindow;
namespace sim = fw::testing;
using Clock = std::chrono::steady_clock;

// Runs the cooperative yield as a long loop does, for `duration`, calling
// `work` on every turn.
template <class Work>
void YieldFor(Clock::duration duration, Work work) {
    const auto end = Clock::now() + duration;
    for (std::int64_t turn = 0; Clock::now() < end; ++turn) {
        work(turn);
        fw::RuntimeBackgroundTask();
    }
}

struct BusyWindow {
    int clicks = 0;
    std::shared_ptr<RecipeWindow> window;

    BusyWindow() {
        window = Build(fwtest::Recipe().Class("Busy.Busy").Controls([this](RecipeWindow& w) {
            w.Add<fw::PushButton>("Load", fwtest::ButtonLayout(10, 10, "Load"))->BindAction([this] {
                ++clicks;
            });
            w.Add<fw::StaticText>("Count", fwtest::LabelLayout(10, 40, 200, 20, "Tag Count:"));
        }));
        sim::ProcessEvents();
    }
    ~BusyWindow() { window->Close(); }
    fw::StaticText& Label() { return *window->Control<fw::StaticText>("Count"); }
};

TEST(Yield, RepaintsButLeavesAQueuedClickForLater) {
    BusyWindow busy;
    sim::QueueClick(*busy.window->ControlByName("Load"));
    const auto paintsBefore = sim::PaintCount(*busy.window);

    YieldFor(std::chrono::milliseconds(200), [&](std::int64_t turn) {
        if (turn % 4096 == 0) busy.Label().SetText("Tag Count: " + std::to_string(turn));
    });

    // At least one repaint per 50 ms of the loop, and the click still waits.
    EXPECT_GE(sim::PaintCount(*busy.window) - paintsBefore, 4);
    EXPECT_EQ(busy.clicks, 0);
    sim::ProcessEvents();
    EXPECT_EQ(busy.clicks, 1);
}

TEST(Yield, NoCloseRequestClosesAWindowWhileALoopRuns) {
    BusyWindow busy;
    // One request waits in the window system's queue, one reaches the
    // window during the loop; the window refuses that one.
    sim::QueueCloseBox(*busy.window);
    sim::PostCloseRequest(*busy.window);
    YieldFor(std::chrono::milliseconds(60), [](std::int64_t) {});
    EXPECT_TRUE(busy.window->IsOpen());
    EXPECT_TRUE(sim::IsShown(*busy.window));
    EXPECT_EQ(fw::GetImplicitWindow("Busy.Busy"), busy.window);

    // Once the loop is over, the waiting request closes the window.
    sim::ProcessEvents();
    EXPECT_FALSE(busy.window->IsOpen());
}

TEST(Yield, ACloseRequestOutsideALoopIsTaken) {
    BusyWindow busy;
    sim::PostCloseRequest(*busy.window);
    sim::ProcessEvents();
    EXPECT_FALSE(busy.window->IsOpen());
    EXPECT_EQ(fw::GetImplicitWindow("Busy.Busy"), nullptr);
}

TEST(Yield, ACallWithNothingToDoIsNearlyFree) {
    if (testsupport::UnderAddressSanitizer) GTEST_SKIP() << "timings mean nothing under AddressSanitizer";
    BusyWindow busy;
    constexpr int Calls = 20'000'000;
    const auto start = Clock::now();
    for (int i = 0; i < Calls; ++i) fw::RuntimeBackgroundTask();
    const auto perCall = (Clock::now() - start) / Calls;
    // A clock read or an event-loop turn per call would cost far more.
    EXPECT_LT(perCall, std::chrono::nanoseconds(15));
}

TEST(Dispatch, AnExceptionFromAButtonIsReportedByNameAndTheNextClickWorks) {
    testsupport::ScopedScriptedDialogs dialogs;
    int presses = 0;
    auto window = Build(fwtest::Recipe().Controls([&](RecipeWindow& w) {
        w.Add<fw::PushButton>("Prot", fwtest::ButtonLayout(10, 10, "Protect Map"))->BindAction([&] {
            if (++presses == 1) throw std::runtime_error("the tag index is on fire");
        });
    }));
    auto button = window->ControlByName("Prot");
    sim::Click(*button);
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0], "An unexpected error occurred: the tag index is on fire");

    sim::Click(*button);
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(dialogs->Messages().size(), 1u);
}

TEST(Dispatch, AnythingThrownIsReported) {
    testsupport::ScopedScriptedDialogs dialogs;
    fw::DispatchEvent([] { throw 42; });
    fw::DispatchEvent([] {});
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0], "An unexpected error occurred: an unknown error");
}

TEST(Runtime, AQuitEndsTheLoopAndTheExitGivesItsStatusAndReleasesTheWindows) {
    fw::RuntimeRegisterAppObject(std::make_shared<fw::Application>());
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::PushButton>("Quit", fwtest::ButtonLayout(10, 10, "Quit"))->BindAction([] { fw::Quit(3); });
    }));
    sim::ProcessEvents();
    sim::QueueClick(*window->ControlByName("Quit"));
    fw::RuntimeRun();  // the loop takes the click, and the click quits it
    std::weak_ptr<fw::Window> watch = window;
    window.reset();

    EXPECT_EQ(fw::RuntimeExit(), 3);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(fw::RegisteredAppObject(), nullptr);

    // The test main stops the framework once more at the end.
    static int argc = 1;
    static char name[] = "framework_tests";
    static char* argv[] = {name, nullptr};
    fw::RuntimeInit(argc, argv);
}

TEST(Runtime, ClosingTheLastWindowEndsTheLoop) {
    sim::CloseAllWindows();
    auto window = Build(fwtest::Recipe());
    sim::ProcessEvents();
    sim::QueueCloseBox(*window);
    fw::RuntimeRun();  // returns once the close box has closed the only window
    EXPECT_FALSE(window->IsOpen());
}

TEST(Runtime, TheQuitItemEndsTheLoop) {
    auto bar = std::make_shared<fw::MenuBar>();
    auto file = std::make_shared<fw::MenuItem>();
    file->SetName("FileMenu");
    file->SetText("&File");
    bar->Append(file);
    auto quit = std::make_shared<fw::QuitMenuItem>();
    quit->SetName("FileQuit");
    quit->SetText("&Quit");
    quit->SetAutoEnable(true);
    file->Append(quit);
    auto window = Build(fwtest::Recipe().Menus(bar));

    ASSERT_TRUE(sim::ChooseMenuItem(*window, "FileQuit"));
    // Had the quit not ended it, the loop would wait for events for ever; the
    // test then fails within seconds, not at ctest's timeout.
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (returned.wait_for(lock, std::chrono::seconds(10), [&] { return done; })) return;
        std::fputs("FAILED: RuntimeRun did not return within 10 s of the Quit item being chosen\n", stderr);
        std::_Exit(1);
    });
    fw::RuntimeRun();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_one();
    watchdog.join();
}

}  // namespace
