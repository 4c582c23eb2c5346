#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "tests/framework/TestWindows.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

using fwtest::Build;
using fwtest::RecipeWindow;
namespace sim = fw::testing;

template <class T = fw::MenuItem>
std::shared_ptr<T> Entry(const std::string& name, const std::string& text,
                         std::optional<std::string> shortcut) {
    auto item = std::make_shared<T>();
    item->SetName(name);
    item->SetAutoEnable(true);
    item->SetText(text);
    if (shortcut) item->SetKeyboardShortcut(*shortcut);
    return item;
}

// The program's menu tree, plus one item of the test's own.
std::shared_ptr<fw::MenuBar> ProgramMenus() {
    auto bar = std::make_shared<fw::MenuBar>();
    auto file = Entry("FileMenu", "&File", "");
    bar->Append(file);
    file->Append(Entry<fw::AppleMenuItem>("AboutAppz", "About", ""));
    file->Append(Entry("FileBold", "&Bold", "Cmd+B"));
    file->Append(Entry<fw::QuitMenuItem>("FileQuit", "&Quit", "Cmd+Q"));
    auto edit = Entry("EditMenu", "&Edit", "");
    bar->Append(edit);
    edit->Append(Entry("EditUndo", "&Undo", "Cmd+Z"));
    edit->Append(Entry("UntitledMenu1", "-", std::nullopt));
    edit->Append(Entry("EditCut", "Cu&t", "Cmd+X"));
    edit->Append(Entry("EditCopy", "&Copy", "Cmd+C"));
    edit->Append(Entry("EditPaste", "&Paste", "Cmd+V"));
    edit->Append(Entry("EditClear", "&Delete", ""));
    edit->Append(Entry("UntitledMenu0", "-", std::nullopt));
    edit->Append(Entry("EditSelectAll", "Select &All", "Cmd+A"));
    return bar;
}

struct MenuWindow {
    int aboutChosen = 0;
    int boldChosen = 0;
    std::function<void()> onBold;
    std::shared_ptr<RecipeWindow> window;

    MenuWindow() {
        window = Build(fwtest::Recipe()
                           .Menus(ProgramMenus())
                           .Controls([](RecipeWindow& w) {
                               w.Add<fw::EditField>("Field", fwtest::FieldLayout(10, 10, 200, 0));
                               w.Add<fw::PushButton>("Button",
                                                     fwtest::ButtonLayout(10, 50, "Button", false, false, 1));
                           })
                           .Handlers([this](RecipeWindow& w) {
                               w.AddMenuHandler("AboutAppz", [this] {
                                   ++aboutChosen;
                                   return false;
                               });
                               w.AddMenuHandler("FileBold", [this] {
                                   ++boldChosen;
                                   if (onBold) onBold();
                                   return true;
                               });
                           }));
    }
    fw::EditField& Field() { return *window->Control<fw::EditField>("Field"); }
};

TEST(MenusOnQt, TheBarShowsTheTreeInOrderWithRolesSeparatorsAndShortcuts) {
    MenuWindow menus;
    struct Row {
        const char* name;
        const char* text;
        const char* shortcut;
        const char* role;
        bool isMenu;
        bool isSeparator;
    };
    const Row expected[] = {
        {"FileMenu", "&File", "", "None", true, false},
        {"AboutAppz", "About", "", "About", false, false},
        {"FileBold", "&Bold", "Ctrl+B", "None", false, false},
        {"FileQuit", "&Quit", "Ctrl+Q", "Quit", false, false},
        {"EditMenu", "&Edit", "", "None", true, false},
        {"EditUndo", "&Undo", "Ctrl+Z", "None", false, false},
        {"UntitledMenu1", "", "", "None", false, true},
        {"EditCut", "Cu&t", "Ctrl+X", "None", false, false},
        {"EditCopy", "&Copy", "Ctrl+C", "None", false, false},
        {"EditPaste", "&Paste", "Ctrl+V", "None", false, false},
        {"EditClear", "&Delete", "", "None", false, false},
        {"UntitledMenu0", "", "", "None", false, true},
        {"EditSelectAll", "Select &All", "Ctrl+A", "None", false, false},
    };
    const auto shown = sim::MenuEntries(*menus.window);
    ASSERT_EQ(shown.size(), std::size(expected));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(shown[i].Name, expected[i].name);
        if (!expected[i].isSeparator) {
            EXPECT_EQ(shown[i].Text, expected[i].text);
        }
        EXPECT_EQ(shown[i].Shortcut, expected[i].shortcut);
        EXPECT_EQ(shown[i].Role, expected[i].role);
        EXPECT_EQ(shown[i].IsMenu, expected[i].isMenu);
        EXPECT_EQ(shown[i].IsSeparator, expected[i].isSeparator);
    }
}

TEST(MenusOnQt, AChosenItemRunsTheWindowsHandler) {
    MenuWindow menus;
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "AboutAppz"));
    EXPECT_TRUE(sim::ChooseMenuItem(*menus.window, "AboutAppz"));
    EXPECT_EQ(menus.aboutChosen, 1);
    EXPECT_EQ(menus.boldChosen, 0);
}

TEST(MenusOnQt, AShortcutRunsTheHandlerWhileTheWindowIsActive) {
    MenuWindow menus;
    sim::PressShortcut(*menus.window, "Ctrl+B");
    EXPECT_EQ(menus.boldChosen, 1);
}

TEST(MenusOnQt, AnExceptionFromAMenuHandlerIsReportedAndTheItemStillWorks) {
    testsupport::ScopedScriptedDialogs dialogs;
    MenuWindow menus;
    menus.onBold = [] { throw std::runtime_error("no bold today"); };
    EXPECT_TRUE(sim::ChooseMenuItem(*menus.window, "FileBold"));
    ASSERT_EQ(dialogs->Messages().size(), 1u);
    EXPECT_EQ(dialogs->Messages()[0], "An unexpected error occurred: no bold today");
    menus.onBold = nullptr;
    EXPECT_TRUE(sim::ChooseMenuItem(*menus.window, "FileBold"));
    EXPECT_EQ(menus.boldChosen, 2);
}

TEST(MenusOnQt, EditItemsAreDisabledWithNoFieldFocused) {
    MenuWindow menus;
    sim::Click(*menus.window->ControlByName("Button"));
    ASSERT_EQ(sim::FocusedControlName(*menus.window), "Button");
    sim::SetClipboardText("on the clipboard");
    for (const char* item : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear", "EditSelectAll"}) {
        EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, item)) << item;
        EXPECT_FALSE(sim::ChooseMenuItem(*menus.window, item)) << item;
    }
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "FileQuit"));
}

TEST(MenusOnQt, EditItemsActOnTheFocusedField) {
    MenuWindow menus;
    fw::EditField& field = menus.Field();
    sim::TypeText(field, "hello");
    ASSERT_EQ(sim::FocusedControlName(*menus.window), "Field");

    // Nothing selected: only what applies is enabled.
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "EditUndo"));
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "EditSelectAll"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditCopy"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditCut"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditClear"));

    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditSelectAll"));
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "EditCopy"));
    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditCopy"));
    EXPECT_EQ(sim::ClipboardText(), "hello");

    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditClear"));
    EXPECT_EQ(field.Text(), "");
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditSelectAll"));

    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditPaste"));
    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditPaste"));
    EXPECT_EQ(field.Text(), "hellohello");

    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditUndo"));
    EXPECT_EQ(field.Text(), "hello");

    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditSelectAll"));
    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditCut"));
    EXPECT_EQ(field.Text(), "");
    EXPECT_EQ(sim::ClipboardText(), "hello");
}

TEST(MenusOnQt, AReadOnlyFieldCanBeCopiedButNotChanged) {
    MenuWindow menus;
    fw::EditField& field = menus.Field();
    field.SetText("fixed");
    sim::TypeText(field, "");
    field.SetReadOnly(true);
    ASSERT_TRUE(sim::ChooseMenuItem(*menus.window, "EditSelectAll"));
    EXPECT_TRUE(sim::MenuItemEnabled(*menus.window, "EditCopy"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditCut"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditClear"));
    EXPECT_FALSE(sim::MenuItemEnabled(*menus.window, "EditPaste"));
}

TEST(MenusOnQt, AnItemWithNothingToDoIsDisabled) {
    auto bar = std::make_shared<fw::MenuBar>();
    auto file = Entry("FileMenu", "&File", "");
    bar->Append(file);
    file->Append(Entry("FileNothing", "Nothing", ""));
    auto manual = Entry("FileManual", "Manual", "");
    manual->SetAutoEnable(false);
    file->Append(manual);
    auto window = Build(fwtest::Recipe().Menus(bar));
    EXPECT_FALSE(sim::MenuItemEnabled(*window, "FileNothing"));
    EXPECT_TRUE(sim::MenuItemEnabled(*window, "FileManual"));
    window->AddMenuHandler("FileNothing", [] { return true; });
    EXPECT_TRUE(sim::MenuItemEnabled(*window, "FileNothing"));
}

}  // namespace
