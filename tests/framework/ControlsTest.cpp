#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "tests/framework/TestWindows.h"

namespace {

using fwtest::Build;
using fwtest::RecipeWindow;
namespace sim = fw::testing;

// The UTF-8 form of text shown one character per byte.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (unsigned char byte : bytes) {
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

TEST(Controls, LayoutListsChangeWhatTheToolkitShows) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::PushButton>("Load", fwtest::ButtonLayout(6, 6, "Load Map", true));
        w.Add<fw::PushButton>("Prot", fwtest::Then(fwtest::ButtonLayout(6, 219, "Protect Map"),
                                                   fw::PropertyList().AddBoolean("Enabled", false)));
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 175, "Tags:", 1));
        w.Add<fw::StaticText>("tagcount_disp", fwtest::LabelLayout(303, 6, 127, 20, "Tag Count:", 3));
    }));

    auto load = window->Control<fw::PushButton>("Load");
    EXPECT_EQ(sim::ShownText(*load), "Load Map");
    EXPECT_TRUE(load->Default());
    EXPECT_TRUE(sim::ShownEnabled(*load));
    EXPECT_EQ(sim::GeometryOf(*load), (sim::Rect{6, 6, 80, 20}));

    auto prot = window->Control<fw::PushButton>("Prot");
    EXPECT_FALSE(prot->Enabled());
    EXPECT_FALSE(sim::ShownEnabled(*prot));
    prot->SetEnabled(true);
    EXPECT_TRUE(sim::ShownEnabled(*prot));

    auto list = window->Control<fw::Listbox>("taglist");
    EXPECT_EQ(sim::ShownText(*list), "Tags:");
    EXPECT_TRUE(sim::HeadingShown(*list));
    EXPECT_EQ(sim::GeometryOf(*list), (sim::Rect{6, 38, 424, 175}));
    list->SetHasHeading(false);
    EXPECT_FALSE(sim::HeadingShown(*list));

    auto label = window->Control<fw::StaticText>("tagcount_disp");
    EXPECT_EQ(sim::ShownText(*label), "Tag Count:");
    label->SetText("Tag Count: 12");
    EXPECT_EQ(sim::ShownText(*label), "Tag Count: 12");
}

TEST(Controls, AccessibleNamesAreTheVisibleTextsAndObjectNamesTheControlNames) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::StaticText>("StaticText1", fwtest::LabelLayout(20, 14, 100, 20, "Tag Message:", 0));
        w.Add<fw::EditField>("TagInPut", fwtest::FieldLayout(20, 46, 316, 1));
        w.Add<fw::PushButton>("PushButton1", fwtest::ButtonLayout(270, 80, "Continue", true, false, 2));
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 100, 200, 80, "Tags:", 3));
    }));
    struct Expected {
        const char* name;
        const char* accessible;
    };
    for (auto [name, accessible] :
         {Expected{"StaticText1", "Tag Message:"}, Expected{"TagInPut", "Tag Message:"},
          Expected{"PushButton1", "Continue"}, Expected{"taglist", "Tags:"}}) {
        auto control = window->ControlByName(name);
        EXPECT_EQ(sim::AccessibleName(*control), accessible) << name;
        EXPECT_EQ(sim::ObjectName(*control), name);
    }
}

TEST(Controls, ListRowsOfEveryHighByteComeBackExactly) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 175, "Tags:"));
    }));
    auto list = window->Control<fw::Listbox>("taglist");
    std::string everyHighByte;
    for (int byte = 0x80; byte <= 0xFF; ++byte) everyHighByte += static_cast<char>(byte);
    const std::string rows[] = {everyHighByte, std::string("a\0b", 3), "", "weapons\\pistol"};
    for (const auto& row : rows) list->AddRow(row);

    ASSERT_EQ(list->RowCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list->RowText(i), rows[i]) << i;
        EXPECT_EQ(sim::ShownRowText(*list, i), Latin1ToUtf8(rows[i])) << i;
    }
    EXPECT_EQ(list->RowText(4), "");
    EXPECT_EQ(list->RowText(-1), "");

    list->DeleteAllRows();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->RowText(0), "");
}

TEST(Controls, AListInAShownWindowTakesAFullTagIndexQuickly) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 175, "Tags:"));
    }));
    auto list = window->Control<fw::Listbox>("taglist");
    ASSERT_TRUE(sim::IsShown(*window));

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 65535; ++i) list->AddRow("characters\\cyborg\\cyborg " + std::to_string(i));
    sim::ProcessEvents();
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(list->RowCount(), 65535);
    EXPECT_EQ(list->RowText(65534), "characters\\cyborg\\cyborg 65534");
    // Appending row by row to a shown view must not cost per row what the
    // whole list costs.
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

TEST(Controls, AShownListPaintsItsRowsOnceWhenTheyComeAndWhenTheyGo) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 175, "Tags:"));
    }));
    auto list = window->Control<fw::Listbox>("taglist");
    sim::ProcessEvents();
    sim::RowAreaPaints(*list);
    // A few rows fit; a full index brings the scroll bar, which narrows the
    // rows' area, and emptying the list takes it away again.
    std::int64_t expected = 0;
    for (int rows : {3, 65535, 1}) {
        for (int i = 0; i < rows; ++i) list->AddRow("weapons\\pistol\\pistol " + std::to_string(i));
        sim::ProcessEvents();
        EXPECT_EQ(sim::RowAreaPaints(*list), ++expected) << rows << " rows";
        list->DeleteAllRows();
        sim::ProcessEvents();
        EXPECT_EQ(sim::RowAreaPaints(*list), ++expected) << rows << " rows, emptied";
    }
}

TEST(Controls, AListFilledWhileHiddenIsPaintedOnceWhenShown) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 175, "Tags:"));
    }));
    auto list = window->Control<fw::Listbox>("taglist");
    window->SetVisible(false);
    sim::ProcessEvents();
    sim::RowAreaPaints(*list);
    for (int i = 0; i < 65535; ++i) list->AddRow("sound\\sfx\\ambience " + std::to_string(i));
    sim::ProcessEvents();
    EXPECT_EQ(sim::RowAreaPaints(*list), 0);

    window->SetVisible(true);
    sim::ProcessEvents();
    EXPECT_EQ(sim::RowAreaPaints(*list), 1);
}

TEST(Controls, AListsRowsFitItsFontAndKeysMoveAsInAList) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::Listbox>("taglist", fwtest::ListLayout(6, 38, 424, 100, "Tags:", 0));
        w.Add<fw::Listbox>("large", fwtest::Then(fwtest::ListLayout(6, 150, 424, 100, "Tags:", 1),
                                                 fw::PropertyList().AddInteger("TextSize", 30)));
        w.Add<fw::EditField>("TagInPut", fwtest::FieldLayout(20, 260, 316, 2));
    }));
    auto list = window->Control<fw::Listbox>("taglist");
    auto large = window->Control<fw::Listbox>("large");
    EXPECT_GE(sim::ShownRowHeight(*list), sim::LineHeight(*list));
    EXPECT_GE(sim::ShownRowHeight(*large), sim::LineHeight(*large));
    EXPECT_GT(sim::ShownRowHeight(*large), sim::ShownRowHeight(*list));

    for (auto* each : {list.get(), large.get()})
        for (int i = 0; i < 5; ++i) each->AddRow("row " + std::to_string(i));
    sim::ProcessEvents();
    sim::Click(*list);
    ASSERT_EQ(sim::FocusedControlName(*window), "taglist");
    struct Move {
        const char* keys;
        int row;
    };
    for (auto [keys, row] : {Move{"End", 4}, Move{"Up", 3}, Move{"Home", 0}, Move{"Down", 1}, Move{"End", 4}}) {
        sim::PressShortcut(*window, keys);
        EXPECT_EQ(sim::CurrentRow(*list), row) << keys;
    }
    sim::PressKey(*window, sim::Key::Tab);
    EXPECT_EQ(sim::FocusedControlName(*window), "large");
    sim::PressKey(*window, sim::Key::Tab);
    EXPECT_EQ(sim::FocusedControlName(*window), "TagInPut");
}

TEST(Controls, LabelsShowACarriageReturnAsALineBreakAndKeepTheirBytes) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::StaticText>("StaticText1",
                              fwtest::LabelLayout(20, 14, 431, 134, "Tagshroud\r\rSpecial \xA9", 0, true));
    }));
    auto label = window->Control<fw::StaticText>("StaticText1");
    EXPECT_EQ(label->Text(), "Tagshroud\r\rSpecial \xA9");
    EXPECT_EQ(sim::ShownText(*label), "Tagshroud\n\nSpecial \u00A9");
    EXPECT_TRUE(label->Multiline());
}

TEST(Controls, AFieldGivesBackWhatWasTypedAsUtf8) {
    auto window = Build(fwtest::Recipe().Controls(
        [](RecipeWindow& w) { w.Add<fw::EditField>("TagInPut", fwtest::FieldLayout(20, 46, 316)); }));
    auto field = window->Control<fw::EditField>("TagInPut");
    EXPECT_EQ(field->Text(), "");
    const std::string typed = "Gr\u00FC\u00DFe \u2713 \U0001F600";
    sim::TypeText(*field, typed);
    EXPECT_EQ(field->Text(), typed);
    EXPECT_EQ(sim::ShownText(*field), typed);
}

TEST(Controls, FieldLimitsAndModesReachTheToolkit) {
    auto window = Build(fwtest::Recipe().Controls([](RecipeWindow& w) {
        w.Add<fw::EditField>("Short", fwtest::Then(fwtest::FieldLayout(20, 10, 100),
                                                   fw::PropertyList().AddInteger("LimitText", 3)));
        w.Add<fw::EditField>(
            "Fixed", fwtest::Then(fwtest::FieldLayout(20, 40, 100),
                                  fw::PropertyList().AddString("Text", "keep").AddBoolean("ReadOnly", true)));
        w.Add<fw::EditField>("Open", fwtest::FieldLayout(20, 70, 100));
    }));
    sim::TypeText(*window->ControlByName("Short"), "abcdef");
    EXPECT_EQ(window->Control<fw::EditField>("Short")->Text(), "abc");

    sim::TypeText(*window->ControlByName("Fixed"), "xyz");
    EXPECT_EQ(window->Control<fw::EditField>("Fixed")->Text(), "keep");

    const std::string longText(1000, 'n');  // LimitText 0: no limit of the field's own
    sim::TypeText(*window->ControlByName("Open"), longText);
    EXPECT_EQ(window->Control<fw::EditField>("Open")->Text(), longText);
}

TEST(Controls, PushActsLikeAClickAndDoesNothingWhenDisabled) {
    int presses = 0;
    auto window = Build(fwtest::Recipe().Controls([&](RecipeWindow& w) {
        w.Add<fw::PushButton>("Go", fwtest::ButtonLayout(10, 10, "Go"))->BindAction([&] { ++presses; });
    }));
    auto button = window->Control<fw::PushButton>("Go");
    button->Push();
    sim::Click(*button);
    EXPECT_EQ(presses, 2);

    button->SetEnabled(false);
    button->Push();
    sim::Click(*button);
    EXPECT_EQ(presses, 2);
}

TEST(Controls, AListNamingAnUndeclaredPropertyIsRefused) {
    auto window = Build(fwtest::Recipe());
    auto button = window->New<fw::PushButton>();
    window->AddControl("Go", button);
    EXPECT_THROW(
        fw::SetProperties(*button, fw::PropertyList().AddString("Caption", "Go").AddBoolean("Bogus", true)),
        fw::PropertyListException);
    EXPECT_EQ(sim::ShownText(*button), "");  // nothing of a bad list applies
    // A property of another control class is not the button's either.
    EXPECT_THROW(fw::SetProperties(*button, fw::PropertyList().AddString("InitialValue", "x")),
                 fw::PropertyListException);
}

}  // namespace
