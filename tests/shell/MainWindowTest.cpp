#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "shell/AboutApp.h"
#include "shell/MenuBar1.h"
#include "shell/Tagshroud.h"

using fw::testing::GeometryOf;
using fw::testing::Rect;

namespace {

enum class Kind { Plain, About, Quit };

struct MenuRow {
    const char* Parent;  // "" for the menu bar
    const char* Name;
    Kind Class;
    const char* Text;
    std::optional<std::string> Shortcut;  // nullopt: never set
};

const MenuRow MenuRows[] = {
    {"", "FileMenu", Kind::Plain, "&File", ""},
    {"FileMenu", "AboutAppz", Kind::About, "About", ""},
    {"FileMenu", "FileQuit", Kind::Quit, "&Quit", "Cmd+Q"},
    {"", "EditMenu", Kind::Plain, "&Edit", ""},
    {"EditMenu", "EditUndo", Kind::Plain, "&Undo", "Cmd+Z"},
    {"EditMenu", "UntitledMenu1", Kind::Plain, "-", std::nullopt},
    {"EditMenu", "EditCut", Kind::Plain, "Cu&t", "Cmd+X"},
    {"EditMenu", "EditCopy", Kind::Plain, "&Copy", "Cmd+C"},
    {"EditMenu", "EditPaste", Kind::Plain, "&Paste", "Cmd+V"},
    {"EditMenu", "EditClear", Kind::Plain, "&Delete", ""},
    {"EditMenu", "UntitledMenu0", Kind::Plain, "-", std::nullopt},
    {"EditMenu", "EditSelectAll", Kind::Plain, "Select &All", "Cmd+A"},
};

}  // namespace

class MainWindowTest : public ::testing::Test {
protected:
    std::shared_ptr<class Tagshroud> window = Tagshroud();
};

TEST_F(MainWindowTest, StartsWithNoMapAndLoadAsTheDefaultButton) {
    EXPECT_EQ(window->Title(), "");
    EXPECT_TRUE(fw::testing::IsShown(*window));
    EXPECT_EQ(window->f, nullptr);
    EXPECT_EQ(window->br, nullptr);

    auto load = window->Control<fw::PushButton>("Load");
    auto prot = window->Control<fw::PushButton>("Prot");
    EXPECT_EQ(load->Caption(), "Load Map");
    EXPECT_TRUE(load->Enabled() && load->Default());
    EXPECT_EQ(prot->Caption(), "Protect Map");
    EXPECT_FALSE(prot->Enabled() || prot->Default());
    EXPECT_FALSE(load->Cancel() || prot->Cancel());

    auto list = window->Control<fw::Listbox>("taglist");
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(fw::testing::ShownText(*list), "Tags:");
    EXPECT_TRUE(fw::testing::HeadingShown(*list));
    EXPECT_EQ(window->Control<fw::StaticText>("tagcount_disp")->Text(), "Tag Count:");

    EXPECT_EQ(fw::testing::TabOrder(*window),
              (std::vector<std::string>{"Load", "taglist", "Prot", "tagcount_disp"}));
    EXPECT_EQ(Tagshroud(), window);
    EXPECT_EQ(fw::GetImplicitWindow("Tagshroud.Tagshroud"), window);
}

TEST_F(MainWindowTest, ResizingKeepsEachControlAtItsAnchoredSides) {
    EXPECT_EQ(fw::testing::ContentSize(*window), (fw::testing::Size{436, 245}));
    fw::testing::ResizeContent(*window, 636, 445);
    ASSERT_EQ(fw::testing::ContentSize(*window), (fw::testing::Size{636, 445}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("Load")), (Rect{6, 6, 80, 20}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("taglist")), (Rect{6, 38, 624, 375}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("Prot")), (Rect{6, 419, 107, 20}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("tagcount_disp")), (Rect{503, 6, 127, 20}));

    fw::testing::ResizeContent(*window, 10, 10);
    EXPECT_EQ(fw::testing::ContentSize(*window), (fw::testing::Size{64, 64}));
    const auto frame = fw::testing::FrameOf(*window);
    EXPECT_TRUE(frame.Resizable && frame.MaximizeButton && frame.MinimizeButton && frame.CloseButton);
}

TEST_F(MainWindowTest, MenuBarIsTheOneMenuBar1WithTwelveEntries) {
    auto bar = window->MenuBar();
    ASSERT_NE(std::dynamic_pointer_cast<class MenuBar1>(bar), nullptr);
    EXPECT_EQ(bar, MenuBar1());
    EXPECT_EQ(bar, MenuBar1_implicitInstance);

    // The tree in order: each menu, then its items.
    std::vector<std::pair<std::string, std::shared_ptr<fw::MenuItem>>> entries;
    for (std::int32_t m = 0; m < bar->Count(); ++m) {
        entries.emplace_back("", bar->Item(m));
        for (std::int32_t i = 0; i < bar->Item(m)->Count(); ++i)
            entries.emplace_back(bar->Item(m)->Name(), bar->Item(m)->Item(i));
    }
    ASSERT_EQ(entries.size(), std::size(MenuRows));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuRow& row = MenuRows[i];
        const auto& [parent, entry] = entries[i];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(parent, row.Parent);
        EXPECT_EQ(entry->Name(), row.Name);
        EXPECT_EQ(entry->Text(), row.Text);
        EXPECT_EQ(entry->KeyboardShortcut(), row.Shortcut);
        EXPECT_TRUE(entry->AutoEnable());
        EXPECT_EQ(std::dynamic_pointer_cast<fw::AppleMenuItem>(entry) != nullptr, row.Class == Kind::About);
        EXPECT_EQ(std::dynamic_pointer_cast<fw::QuitMenuItem>(entry) != nullptr, row.Class == Kind::Quit);
    }

    // The window's accessors find the items of their own names.
    EXPECT_EQ(window->EditCut(), bar->Lookup("EditCut"));
    EXPECT_EQ(window->UntitledMenu0(), bar->Lookup("UntitledMenu0"));
    EXPECT_EQ(window->FileQuit(), bar->Lookup("FileQuit"));
    EXPECT_EQ(window->AboutAppz(), bar->Lookup("AboutAppz"));
}

TEST_F(MainWindowTest, MenuBarGlobalIsReleasedAtShutDown) {
    auto first = MenuBar1();
    MenuBar1_implicitInstance_Exit();
    EXPECT_EQ(MenuBar1_implicitInstance, nullptr);
    EXPECT_NE(MenuBar1(), first);
}

TEST_F(MainWindowTest, ChoosingAboutTwiceShowsOneAboutWindowWithEightLines) {
    const std::size_t before = fw::testing::ListedWindowCount();
    ASSERT_TRUE(fw::testing::ChooseMenuItem(*window, "AboutAppz"));
    auto about = fw::GetImplicitWindow("AboutApp.AboutApp");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(fw::testing::IsShown(*about));
    ASSERT_TRUE(fw::testing::ChooseMenuItem(*window, "AboutAppz"));
    EXPECT_EQ(AboutApp(), about);
    EXPECT_EQ(fw::testing::ListedWindowCount(), before + 1);
    EXPECT_EQ(about->Title(), "About");
    EXPECT_FALSE(about->Resizeable() || about->MaximizeButton());

    std::vector<std::string> lines(1);
    for (char c : about->Control<fw::StaticText>("StaticText1")->Text()) {
        if (c == '\r') lines.emplace_back();
        else lines.back() += c;
    }
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Tagshroud");
    EXPECT_TRUE(lines[1].starts_with("Created By: ") && lines[2].starts_with("Icon By: ") &&
                lines[3].starts_with("PC version compiled by: "));
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Special thanks to:");
    EXPECT_TRUE(lines[6].ends_with(", for telling me I had to put \"(True)\" at the end of my file open. :P"));
    EXPECT_TRUE(lines[7].ends_with(", for telling me about the sheet window thing."));
}
