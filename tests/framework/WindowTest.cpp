#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "tests/framework/TestWindows.h"

namespace {

using fwtest::Build;
using fwtest::RecipeWindow;
namespace sim = fw::testing;

// A window class reached by the accessor rule, as the program's are.
class Palette : public fw::Window {
public:
    static constexpr std::string_view FrameworkClassName = "Palette.Palette";
    Palette() : Window(std::string(FrameworkClassName)) {}

protected:
    void Layout() override { fw::SetProperties(*this, fwtest::WindowLayout(200, 100)); }
};

TEST(Window, ConstructRunsTheHooksInOrderAndShowsAVisibleLayout) {
    std::string title = "Map \xE9\xFF";
    auto window = Build(fwtest::Recipe().Layout(fwtest::WindowLayout(436, 245, 0, true, title)));

    EXPECT_EQ(window->hooksRun, (std::vector<std::string>{"Layout", "CreateControls", "AddMenuHandlers"}));
    EXPECT_TRUE(sim::IsShown(*window));
    EXPECT_EQ(sim::ContentSize(*window), (sim::Size{436, 245}));
    EXPECT_EQ(sim::ShownTitle(*window), "Map \u00E9\u00FF");  // one character per byte
    EXPECT_EQ(window->Title(), title);
}

TEST(Window, AnInvisibleLayoutIsNotShownUntilShow) {
    auto window = Build(fwtest::Recipe().Layout(fwtest::WindowLayout(200, 100, 0, true, "", false)));
    EXPECT_FALSE(sim::IsShown(*window));
    EXPECT_TRUE(window->IsOpen());
    window->Show();
    EXPECT_TRUE(sim::IsShown(*window));
}

TEST(Window, TheAccessorFindsTheLiveWindowUntilItIsClosed) {
    const auto listed = sim::ListedWindowCount();
    auto first = fw::ImplicitWindow<Palette>();
    EXPECT_EQ(fw::ImplicitWindow<Palette>(), first);
    EXPECT_EQ(fw::GetImplicitWindow("Palette.Palette"), first);
    EXPECT_EQ(sim::ListedWindowCount(), listed + 1);

    first->Close();
    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(sim::IsShown(*first));
    EXPECT_EQ(fw::GetImplicitWindow("Palette.Palette"), nullptr);
    EXPECT_EQ(sim::ListedWindowCount(), listed);

    auto second = fw::ImplicitWindow<Palette>();
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->IsOpen());
}

TEST(Window, TheCloseBoxClosesLikeCloseAndTheObjectLivesOnWhileReferenced) {
    auto window = fw::ImplicitWindow<Palette>();
    std::weak_ptr<fw::Window> watch = window;
    window->SetTitle("still here");

    sim::ClickCloseBox(*window);
    EXPECT_FALSE(window->IsOpen());
    EXPECT_FALSE(sim::IsShown(*window));
    EXPECT_EQ(fw::GetImplicitWindow("Palette.Palette"), nullptr);
    EXPECT_EQ(window->Title(), "still here");

    sim::ProcessEvents();
    window.reset();
    sim::ProcessEvents();
    EXPECT_TRUE(watch.expired());  // the framework let go of it too
    EXPECT_NE(fw::ImplicitWindow<Palette>(), nullptr);
}

TEST(Window, ControlsAreFoundByNameAndCastToTheirClass) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::PushButton>("Go", fwtest::ButtonLayout(10, 10, "Go"));
        w.Add<fw::StaticText>("Note", fwtest::LabelLayout(10, 40, 100, 20, "Note"));
    }));

    auto button = window->Control<fw::PushButton>("Go");
    EXPECT_EQ(button->Name(), "Go");
    EXPECT_EQ(sim::ObjectName(*button), "Go");
    EXPECT_EQ(window->ControlByName("Note")->Name(), "Note");
    EXPECT_EQ(window->ControlByName("Missing"), nullptr);
    EXPECT_THROW(window->Control<fw::PushButton>("Note"), fw::NilObjectException);
    EXPECT_THROW(window->Control<fw::Listbox>("Missing"), fw::NilObjectException);
}

// A plain document window with a field, a default button and a cancel button.
struct KeyWindow {
    int okPresses = 0;
    int cancelPresses = 0;
    std::shared_ptr<RecipeWindow> window;

    explicit KeyWindow(bool withCancel = true) {
        window = Build(fwtest::Recipe().Controls([this, withCancel](RecipeWindow& w) {
            w.Add<fw::EditField>("Field", fwtest::FieldLayout(10, 10, 200, 0));
            w.Add<fw::PushButton>("Other", fwtest::ButtonLayout(10, 80, "Other", false, false, 1));
            w.Add<fw::PushButton>("OK", fwtest::ButtonLayout(100, 80, "OK", true, false, 2))
                ->BindAction([this] { ++okPresses; });
            w.Add<fw::PushButton>("Stop", fwtest::ButtonLayout(190, 80, "Stop", false, withCancel, 3))
                ->BindAction([this] { ++cancelPresses; });
        }));
    }
};

TEST(Window, ReturnAndEnterPressTheEnabledDefaultButton) {
    KeyWindow keys;
    sim::TypeText(*keys.window->ControlByName("Field"), "abc");
    sim::PressKey(*keys.window, sim::Key::Return);
    EXPECT_EQ(keys.okPresses, 1);
    sim::PressKey(*keys.window, sim::Key::Enter);
    EXPECT_EQ(keys.okPresses, 2);
    EXPECT_EQ(keys.cancelPresses, 0);
}

TEST(Window, ReturnWithFocusOnAnotherButtonStillPressesTheDefaultOne) {
    KeyWindow keys;
    int otherPresses = 0;
    keys.window->Control<fw::PushButton>("Other")->BindAction([&] { ++otherPresses; });
    sim::Click(*keys.window->ControlByName("Other"));
    ASSERT_EQ(otherPresses, 1);
    ASSERT_EQ(sim::FocusedControlName(*keys.window), "Other");
    sim::PressKey(*keys.window, sim::Key::Return);
    EXPECT_EQ(keys.okPresses, 1);
    EXPECT_EQ(otherPresses, 1);
}

TEST(Window, ReturnLeavesADisabledDefaultButtonAlone) {
    KeyWindow keys;
    keys.window->ControlByName("OK")->SetEnabled(false);
    sim::TypeText(*keys.window->ControlByName("Field"), "abc");
    sim::PressKey(*keys.window, sim::Key::Return);
    EXPECT_EQ(keys.okPresses, 0);
}

TEST(Window, EscapePressesTheCancelButtonOnlyWhenThereIsOne) {
    KeyWindow keys;
    sim::TypeText(*keys.window->ControlByName("Field"), "abc");
    sim::PressKey(*keys.window, sim::Key::Escape);
    EXPECT_EQ(keys.cancelPresses, 1);
    EXPECT_EQ(keys.okPresses, 0);

    KeyWindow noCancel(false);
    sim::TypeText(*noCancel.window->ControlByName("Field"), "abc");
    sim::PressKey(*noCancel.window, sim::Key::Escape);
    EXPECT_EQ(noCancel.cancelPresses, 0);
}

struct AnchorCase {
    const char* name;
    fwtest::Locks locks;
    sim::Rect expected;  // after the content grows from 300x200 to 400x250
};

TEST(Window, ControlsKeepTheirDistanceToTheirLockedSides) {
    const AnchorCase cases[] = {
        {"LeftTop", {true, true, false, false}, {20, 30, 80, 40}},
        {"RightOnly", {false, true, true, false}, {120, 30, 80, 40}},
        {"LeftRight", {true, true, true, false}, {20, 30, 180, 40}},
        {"Bottom", {true, false, false, true}, {20, 80, 80, 40}},
        {"TopBottom", {true, true, false, true}, {20, 30, 80, 90}},
        {"AllSides", {true, true, true, true}, {20, 30, 180, 90}},
        {"None", {false, false, false, false}, {20, 30, 80, 40}},
        {"RightBottom", {false, false, true, true}, {120, 80, 80, 40}},
    };
    auto window = Build(fwtest::Recipe().Controls([&](RecipeWindow& w) {
        for (const auto& c : cases)
            w.Add<fw::StaticText>(c.name, fwtest::Then(fwtest::ControlLayout(20, 30, 80, 40, 0, c.locks),
                                                       fw::PropertyList().AddString("Text", c.name)));
    }));
    for (const auto& c : cases)
        EXPECT_EQ(sim::GeometryOf(*window->ControlByName(c.name)), (sim::Rect{20, 30, 80, 40})) << c.name;

    sim::ResizeContent(*window, 400, 250);
    ASSERT_EQ(sim::ContentSize(*window), (sim::Size{400, 250}));
    EXPECT_EQ(window->Width(), 400);
    EXPECT_EQ(window->Height(), 250);
    for (const auto& c : cases)
        EXPECT_EQ(sim::GeometryOf(*window->ControlByName(c.name)), c.expected) << c.name;

    // Back to the design size puts everything back where the layout had it.
    sim::ResizeContent(*window, 300, 200);
    for (const auto& c : cases)
        EXPECT_EQ(sim::GeometryOf(*window->ControlByName(c.name)), (sim::Rect{20, 30, 80, 40})) << c.name;
}

TEST(Window, TheContentStaysWithinTheWindowsLimits) {
    auto window = Build(fwtest::Recipe().Layout(fwtest::WindowLayout(300, 200)));
    sim::ResizeContent(*window, 10, 10);
    EXPECT_EQ(sim::ContentSize(*window), (sim::Size{64, 64}));
    EXPECT_TRUE(sim::FrameOf(*window).Resizable);
    EXPECT_TRUE(sim::FrameOf(*window).MaximizeButton);
}

TEST(Window, AFixedSizeWindowCannotBeResizedOrMaximised) {
    auto window = Build(fwtest::Recipe().Layout(fwtest::WindowLayout(356, 106, 0, false)));
    const auto frame = sim::FrameOf(*window);
    EXPECT_FALSE(frame.Resizable);
    EXPECT_FALSE(frame.MaximizeButton);
    EXPECT_TRUE(frame.MinimizeButton);
    EXPECT_TRUE(frame.CloseButton);
    sim::ResizeContent(*window, 500, 300);
    EXPECT_EQ(sim::ContentSize(*window), (sim::Size{356, 106}));
}

TEST(Window, TabOrderFollowsTabIndexNotCreationOrder) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::PushButton>("Third", fwtest::ButtonLayout(10, 70, "Third", false, false, 2));
        w.Add<fw::EditField>("First", fwtest::FieldLayout(10, 10, 100, 0));
        w.Add<fw::StaticText>("Last", fwtest::LabelLayout(10, 100, 100, 20, "Last", 3));
        w.Add<fw::EditField>("Second", fwtest::FieldLayout(10, 40, 100, 1));
    }));
    EXPECT_EQ(sim::TabOrder(*window), (std::vector<std::string>{"First", "Second", "Third", "Last"}));

    sim::TypeText(*window->ControlByName("First"), "x");
    ASSERT_EQ(sim::FocusedControlName(*window), "First");
    sim::PressKey(*window, sim::Key::Tab);
    EXPECT_EQ(sim::FocusedControlName(*window), "Second");
}

TEST(Window, ASheetIsWindowModalOverTheFrontmostDocumentWindow) {
    int clicks = 0;
    auto document = Build(fwtest::Recipe().Class("Doc.Doc").Controls([&](RecipeWindow& w) {
        w.Add<fw::PushButton>("Load", fwtest::ButtonLayout(10, 10, "Load"))->BindAction([&] { ++clicks; });
    }));
    auto sheet = Build(
        fwtest::Recipe().Class("Sheet.Sheet").Layout(fwtest::WindowLayout(356, 106, 8, false, "", false)));
    auto load = document->ControlByName("Load");
    sim::Click(*load);
    ASSERT_EQ(clicks, 1);

    sheet->Show();
    sim::ProcessEvents();
    EXPECT_TRUE(sim::IsWindowModalOver(*sheet, *document));
    EXPECT_EQ(sim::ContentSize(*sheet), (sim::Size{356, 106}));
    sim::Click(*load);
    EXPECT_EQ(clicks, 1);  // the document window takes no clicks under the sheet

    sheet->Close();
    sim::ProcessEvents();
    sim::Click(*load);
    EXPECT_EQ(clicks, 2);
}

// Shown from a button, the sheet goes over that button's window, even when
// another document window was activated after it.
TEST(Window, ASheetShownFromAButtonGoesOverThatButtonsWindow) {
    std::shared_ptr<RecipeWindow> sheet;
    auto first = Build(fwtest::Recipe().Class("First.First").Controls([&](RecipeWindow& w) {
        w.Add<fw::PushButton>("Protect", fwtest::ButtonLayout(10, 10, "Protect"))->BindAction([&] { sheet->Show(); });
    }));
    auto other = Build(fwtest::Recipe().Class("Other.Other"));
    sheet = Build(fwtest::Recipe().Class("Sheet.Sheet").Layout(fwtest::WindowLayout(356, 106, 8, false, "", false)));
    sim::ProcessEvents();

    sim::Click(*first->ControlByName("Protect"));
    sim::ProcessEvents();
    EXPECT_TRUE(sim::IsWindowModalOver(*sheet, *first));
}

}  // namespace
