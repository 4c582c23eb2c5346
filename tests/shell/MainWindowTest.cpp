#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "shell/AboutApp.h"
#include "shell/MenuBar1.h"
#include "shell/Tagshroud.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ScriptedDialogs.h"

namespace {

struct ControlLayout {
    const char* Name;
    std::int32_t Left, Top, Width, Height;
    bool LockLeft, LockTop, LockRight, LockBottom;
    std::int32_t TabIndex;
};

constexpr ControlLayout MainControls[] = {
    {"Load", 6, 6, 80, 20, true, true, false, false, 0},
    {"taglist", 6, 38, 424, 175, true, true, true, true, 1},
    {"Prot", 6, 219, 107, 20, true, false, false, true, 2},
    {"tagcount_disp", 303, 6, 127, 20, false, true, true, false, 3},
};

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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\r') lines.emplace_back();
        else lines.back() += c;
    }
    return lines;
}

}  // namespace

class MainWindowTest : public ::testing::Test {
protected:
    std::shared_ptr<class Tagshroud> window = Tagshroud();
};

TEST_F(MainWindowTest, StartsWithNoMapAndLoadAsTheDefaultButton) {
    EXPECT_EQ(window->Title(), "");
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->f, nullptr);
    EXPECT_EQ(window->br, nullptr);

    auto load = window->Control<fw::PushButton>("Load");
    EXPECT_EQ(load->Caption(), "Load Map");
    EXPECT_TRUE(load->Enabled());
    EXPECT_TRUE(load->Default());
    EXPECT_FALSE(load->Cancel());

    auto prot = window->Control<fw::PushButton>("Prot");
    EXPECT_EQ(prot->Caption(), "Protect Map");
    EXPECT_FALSE(prot->Enabled());
    EXPECT_FALSE(prot->Default());
    EXPECT_FALSE(prot->Cancel());

    auto list = window->Control<fw::Listbox>("taglist");
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->InitialValue(), "Tags:");
    EXPECT_TRUE(list->HasHeading());
    EXPECT_EQ(list->ColumnCount(), 1);

    auto label = window->Control<fw::StaticText>("tagcount_disp");
    EXPECT_EQ(label->Text(), "Tag Count:");
    EXPECT_FALSE(label->Multiline());
    EXPECT_EQ(label->TextAlign(), 0);
    EXPECT_EQ(label->TextColor(), (fw::Color{0, 0, 0}));
}

TEST_F(MainWindowTest, WindowAndControlsHaveTheirLayout) {
    EXPECT_EQ(window->Width(), 436);
    EXPECT_EQ(window->Height(), 245);
    EXPECT_EQ(window->MinWidth(), 64);
    EXPECT_EQ(window->MinHeight(), 64);
    EXPECT_EQ(window->MaxWidth(), 32000);
    EXPECT_EQ(window->MaxHeight(), 32000);
    EXPECT_EQ(window->Frame(), 0);
    EXPECT_TRUE(window->Resizeable());
    EXPECT_TRUE(window->CloseButton());
    EXPECT_TRUE(window->MaximizeButton());
    EXPECT_TRUE(window->MinimizeButton());

    for (const auto& expected : MainControls) {
        SCOPED_TRACE(expected.Name);
        auto control = window->ControlByName(expected.Name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Name(), expected.Name);
        EXPECT_EQ(control->Left(), expected.Left);
        EXPECT_EQ(control->Top(), expected.Top);
        EXPECT_EQ(control->Width(), expected.Width);
        EXPECT_EQ(control->Height(), expected.Height);
        EXPECT_EQ(control->LockLeft(), expected.LockLeft);
        EXPECT_EQ(control->LockTop(), expected.LockTop);
        EXPECT_EQ(control->LockRight(), expected.LockRight);
        EXPECT_EQ(control->LockBottom(), expected.LockBottom);
        EXPECT_EQ(control->TabIndex(), expected.TabIndex);
        EXPECT_TRUE(control->Visible());
        EXPECT_EQ(control->TextFont(), "System");
        EXPECT_EQ(control->TextSize(), 0);
        EXPECT_FALSE(control->Bold() || control->Italic() || control->Underline());
        EXPECT_EQ(control->HelpTag(), "");
    }
}

TEST_F(MainWindowTest, AccessorReturnsTheLiveWindow) {
    EXPECT_EQ(Tagshroud(), window);
    EXPECT_EQ(fw::GetImplicitWindow("Tagshroud.Tagshroud"), window);
    EXPECT_EQ(window->ClassName(), "Tagshroud.Tagshroud");
}

TEST_F(MainWindowTest, MenuBarIsTheOneMenuBar1WithTwelveEntries) {
    auto bar = window->MenuBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar, MenuBar1());
    EXPECT_EQ(MenuBar1(), MenuBar1_implicitInstance);
    EXPECT_NE(std::dynamic_pointer_cast<class MenuBar1>(bar), nullptr);

    // Walk the tree in order and compare it with the table.
    std::vector<std::shared_ptr<fw::MenuItem>> entries;
    std::vector<std::string> parents;
    for (std::int32_t m = 0; m < bar->Count(); ++m) {
        auto menu = bar->Item(m);
        entries.push_back(menu);
        parents.emplace_back("");
        for (std::int32_t i = 0; i < menu->Count(); ++i) {
            entries.push_back(menu->Item(i));
            parents.push_back(menu->Name());
        }
    }
    ASSERT_EQ(entries.size(), std::size(MenuRows));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuRow& row = MenuRows[i];
        const auto& entry = entries[i];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(parents[i], row.Parent);
        EXPECT_EQ(entry->Name(), row.Name);
        EXPECT_EQ(entry->Text(), row.Text);
        EXPECT_EQ(entry->KeyboardShortcut(), row.Shortcut);
        EXPECT_TRUE(entry->AutoEnable());
        if (row.Parent[0] != '\0') {
            EXPECT_EQ(entry->Count(), 0);
        }
        const bool isAbout = std::dynamic_pointer_cast<fw::AppleMenuItem>(entry) != nullptr;
        const bool isQuit = std::dynamic_pointer_cast<fw::QuitMenuItem>(entry) != nullptr;
        EXPECT_EQ(isAbout, row.Class == Kind::About);
        EXPECT_EQ(isQuit, row.Class == Kind::Quit);
    }
}

TEST_F(MainWindowTest, MenuItemAccessorsFindTheirOwnItems) {
    using Accessor = std::shared_ptr<fw::MenuItem> (Tagshroud::*)();
    const std::pair<const char*, Accessor> plain[] = {
        {"EditMenu", &Tagshroud::EditMenu},         {"EditSelectAll", &Tagshroud::EditSelectAll},
        {"UntitledMenu0", &Tagshroud::UntitledMenu0}, {"EditClear", &Tagshroud::EditClear},
        {"EditPaste", &Tagshroud::EditPaste},       {"EditCopy", &Tagshroud::EditCopy},
        {"EditCut", &Tagshroud::EditCut},           {"UntitledMenu1", &Tagshroud::UntitledMenu1},
        {"EditUndo", &Tagshroud::EditUndo},         {"FileMenu", &Tagshroud::FileMenu},
    };
    for (const auto& [name, accessor] : plain) {
        auto item = ((*window).*accessor)();
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->Name(), name);
        EXPECT_EQ(item, window->MenuBar()->Lookup(name));
    }
    EXPECT_EQ(window->FileQuit()->Name(), "FileQuit");
    EXPECT_EQ(window->AboutAppz()->Name(), "AboutAppz");
}

TEST_F(MainWindowTest, MenuBarGlobalIsReleasedAtShutDown) {
    auto first = MenuBar1();
    MenuBar1_implicitInstance_Exit();
    EXPECT_EQ(MenuBar1_implicitInstance, nullptr);
    // A later call builds a fresh one.
    EXPECT_NE(MenuBar1(), first);
    EXPECT_EQ(MenuBar1()->Count(), 2);
}

TEST_F(MainWindowTest, AboutShowsOneAboutWindowWithItsEightLines) {
    EXPECT_EQ(fw::GetImplicitWindow("AboutApp.AboutApp"), nullptr);
    EXPECT_FALSE(window->AboutAppz_Action());
    auto about = fw::GetImplicitWindow("AboutApp.AboutApp");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->IsOpen());
    EXPECT_FALSE(window->AboutAppz_Action());
    EXPECT_EQ(fw::GetImplicitWindow("AboutApp.AboutApp"), about);
    EXPECT_EQ(AboutApp(), about);

    EXPECT_EQ(about->Title(), "About");
    EXPECT_EQ(about->Width(), 471);
    EXPECT_EQ(about->Height(), 168);
    EXPECT_FALSE(about->Resizeable());
    EXPECT_FALSE(about->MaximizeButton());
    EXPECT_TRUE(about->MinimizeButton());

    auto text = about->Control<fw::StaticText>("StaticText1");
    EXPECT_TRUE(text->Multiline());
    const auto lines = Lines(text->Text());
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Tagshroud");
    EXPECT_EQ(lines[1].rfind("Created By: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Icon By: ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("PC version compiled by: ", 0), 0u);
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Special thanks to:");
    const std::string thanks1 = ", for telling me I had to put \"(True)\" at the end of my file open. :P";
    const std::string thanks2 = ", for telling me about the sheet window thing.";
    EXPECT_TRUE(lines[6].ends_with(thanks1) && lines[6].size() > thanks1.size()) << lines[6];
    EXPECT_TRUE(lines[7].ends_with(thanks2) && lines[7].size() > thanks2.size()) << lines[7];

    // The map state and the buttons are untouched.
    EXPECT_FALSE(window->Control<fw::PushButton>("Prot")->Enabled());
    EXPECT_EQ(window->br, nullptr);
}

TEST_F(MainWindowTest, TabWalksTheControlsInCreationOrder) {
    EXPECT_EQ(fw::testing::TabOrder(*window),
              (std::vector<std::string>{"Load", "taglist", "Prot", "tagcount_disp"}));
}

TEST_F(MainWindowTest, ResizingKeepsEachControlAtItsAnchoredSides) {
    fw::testing::ResizeContent(*window, 636, 445);
    ASSERT_EQ(fw::testing::ContentSize(*window), (fw::testing::Size{636, 445}));
    using fw::testing::GeometryOf;
    using fw::testing::Rect;
    EXPECT_EQ(GeometryOf(*window->ControlByName("Load")), (Rect{6, 6, 80, 20}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("taglist")), (Rect{6, 38, 624, 375}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("Prot")), (Rect{6, 419, 107, 20}));
    EXPECT_EQ(GeometryOf(*window->ControlByName("tagcount_disp")), (Rect{503, 6, 127, 20}));

    fw::testing::ResizeContent(*window, 10, 10);
    EXPECT_EQ(fw::testing::ContentSize(*window), (fw::testing::Size{64, 64}));
    const auto frame = fw::testing::FrameOf(*window);
    EXPECT_TRUE(frame.Resizable && frame.MaximizeButton && frame.MinimizeButton && frame.CloseButton);
}

TEST_F(MainWindowTest, ChoosingAboutTwiceLeavesOneAboutWindow) {
    const std::size_t before = fw::testing::ListedWindowCount();
    ASSERT_TRUE(fw::testing::ChooseMenuItem(*window, "AboutAppz"));
    auto about = fw::GetImplicitWindow("AboutApp.AboutApp");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(fw::testing::IsShown(*about));
    ASSERT_TRUE(fw::testing::ChooseMenuItem(*window, "AboutAppz"));
    EXPECT_EQ(fw::GetImplicitWindow("AboutApp.AboutApp"), about);
    EXPECT_EQ(fw::testing::ListedWindowCount(), before + 1);
}

TEST_F(MainWindowTest, ClickingLoadAsksForAMapFile) {
    testsupport::ScopedScriptedDialogs dialogs;
    dialogs->QueueCancel();
    fw::testing::Click(*window->ControlByName("Load"));
    EXPECT_EQ(dialogs->FilterTexts().size(), 1u);
    // Return presses the default button, Load.
    dialogs->QueueCancel();
    fw::testing::PressKey(*window, fw::testing::Key::Return);
    EXPECT_EQ(dialogs->FilterTexts().size(), 2u);
    EXPECT_EQ(dialogs->PendingAnswers(), 0u);
}

TEST_F(MainWindowTest, ClosingTheWindowReleasesTheStreamWithoutClosingIt) {
    testsupport::ScopedScriptedDialogs dialogs;
    testmaps::TempMap file(testmaps::MapBuilder(testmaps::Edition::Full).MapName("m").Tag("rncs", "a").Build());
    dialogs->QueueFile(file.Path());
    window->Control<fw::PushButton>("Load")->Push();
    std::shared_ptr<fw::BinaryStream> stream = window->br;
    ASSERT_NE(stream, nullptr);

    std::weak_ptr<class Tagshroud> gone = window;
    fw::testing::ClickCloseBox(*window);
    window = nullptr;
    fw::testing::ProcessEvents();
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(stream.use_count(), 1);
    stream->SetPosition(0);
    EXPECT_EQ(stream->Read(4), "daeh");
}
