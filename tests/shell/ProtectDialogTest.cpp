#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/Yields.h"

using testmaps::Edition;
using testmaps::Int32At;
using testmaps::MapBuilder;
using testmaps::TempMap;
namespace sim = fw::testing;

namespace {

constexpr std::int64_t NamePointerAt = 0x10;

// A map whose outcome tells the editions' protections apart: the sound tag
// with TagFlag 1 is left alone by the full edition's and protected by the
// demo edition's.
MapBuilder FlaggedSoundMap(Edition edition) {
    MapBuilder builder(edition);
    builder.MapName("beavercreek")
        .Tag("gtam", "globals\\globals")
        .Tag("!dns", "sound\\weapons\\fire", 1)
        .Tag("weap", "weapons\\pistol\\pistol");
    return builder;
}

class ProtectDialogTest : public ::testing::Test {
protected:
    std::shared_ptr<fw::PushButton> Button(const std::string& name) const { return main_->Control<fw::PushButton>(name); }

    void Choose(const std::string& path) {
        dialogs_->QueueFile(path);
        sim::Click(*Button("Load"));
    }

    // Presses Prot and gives the dialog it shows.
    std::shared_ptr<fw::Window> OpenDialog() {
        sim::Click(*Button("Prot"));
        auto dialog = fw::GetImplicitWindow(ProtectOptions::FrameworkClassName);
        if (dialog) {
            EXPECT_TRUE(sim::IsShown(*dialog));
        }
        return dialog;
    }

    static std::shared_ptr<fw::Window> LiveDialog() { return fw::GetImplicitWindow(ProtectOptions::FrameworkClassName); }

    std::vector<std::string> Rows() const {
        auto list = main_->Control<fw::Listbox>("taglist");
        std::vector<std::string> rows;
        for (std::int32_t i = 0; i < list->RowCount(); ++i) rows.push_back(list->RowText(i));
        return rows;
    }

    testsupport::ScopedScriptedDialogs dialogs_;
    std::shared_ptr<class Tagshroud> main_ = Tagshroud();
};

struct ControlRow {
    const char* Name;
    sim::Rect Geometry;
    const char* Shown;
};

TEST_F(ProtectDialogTest, ShowsAsASheetWithItsLayout) {
    TempMap map(FlaggedSoundMap(Edition::Full).Build());
    Choose(map.Path());
    auto dialog = OpenDialog();
    ASSERT_TRUE(dialog);

    EXPECT_TRUE(sim::IsWindowModalOver(*dialog, *main_));
    EXPECT_EQ(dialog->Frame(), 8);
    EXPECT_EQ(sim::ShownTitle(*dialog), "Untitled");
    EXPECT_EQ(sim::ContentSize(*dialog), (sim::Size{356, 106}));
    const sim::Frame frame = sim::FrameOf(*dialog);
    EXPECT_TRUE(frame.CloseButton);
    EXPECT_TRUE(frame.MinimizeButton);
    EXPECT_FALSE(frame.MaximizeButton);
    EXPECT_FALSE(frame.Resizable);
    EXPECT_FALSE(dialog->MenuBar());

    const ControlRow controls[] = {
        {"StaticText1", {20, 14, 100, 20}, "Tag Message:"},
        {"TagInPut", {20, 46, 316, 22}, ""},
        {"PushButton1", {270, 80, 80, 20}, "Continue"},
        {"PushButton2", {178, 80, 80, 20}, "Cancel"},
    };
    for (const auto& row : controls) {
        SCOPED_TRACE(row.Name);
        auto control = dialog->ControlByName(row.Name);
        ASSERT_TRUE(control);
        EXPECT_EQ(sim::GeometryOf(*control), row.Geometry);
        EXPECT_EQ(sim::ShownText(*control), row.Shown);
    }
    EXPECT_EQ(sim::TabOrder(*dialog), (std::vector<std::string>{"StaticText1", "TagInPut", "PushButton1", "PushButton2"}));
    EXPECT_EQ(dialog->Control<fw::EditField>("TagInPut")->LimitText(), 0);
    auto proceed = dialog->Control<fw::PushButton>("PushButton1");
    auto cancel = dialog->Control<fw::PushButton>("PushButton2");
    EXPECT_TRUE(proceed->Default());
    EXPECT_FALSE(proceed->Cancel());
    EXPECT_FALSE(cancel->Default());
    EXPECT_FALSE(cancel->Cancel());
}

// The dialog has no menu bar of its own: the main window's Edit items act on
// the dialog's focused field, and are enabled exactly when they apply there.
TEST_F(ProtectDialogTest, TheEditItemsActOnTheDialogsField) {
    TempMap map(FlaggedSoundMap(Edition::Full).Build());
    Choose(map.Path());
    auto dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    auto field = dialog->Control<fw::EditField>("TagInPut");
    sim::SetClipboardText("");
    sim::TypeText(*field, "tag");
    auto enabled = [&] {
        std::string items;
        for (const char* item : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear", "EditSelectAll"})
            if (sim::MenuItemEnabled(*main_, item)) items += std::string(items.empty() ? "" : " ") + item;
        return items;
    };
    EXPECT_EQ(enabled(), "EditUndo EditSelectAll");
    const struct {
        const char* Item;
        const char* Text;     // the field's text after the item
        const char* Enabled;  // the Edit items enabled then
    } steps[] = {
        {"EditSelectAll", "tag", "EditUndo EditCut EditCopy EditClear EditSelectAll"},
        {"EditCopy", "tag", "EditUndo EditCut EditCopy EditPaste EditClear EditSelectAll"},
        {"EditClear", "", "EditUndo EditPaste"},
        {"EditPaste", "tag", "EditUndo EditPaste EditSelectAll"},
        {"EditUndo", "", "EditUndo EditPaste"},
        {"EditPaste", "tag", "EditUndo EditPaste EditSelectAll"},
        {"EditSelectAll", "tag", "EditUndo EditCut EditCopy EditPaste EditClear EditSelectAll"},
        {"EditCut", "", "EditUndo EditPaste"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Item);
        EXPECT_TRUE(sim::ChooseMenuItem(*main_, step.Item));
        EXPECT_EQ(field->Text(), step.Text);
        EXPECT_EQ(enabled(), step.Enabled);
    }
    EXPECT_EQ(sim::ClipboardText(), "tag");
}

struct EditionRow {
    Edition Map;
    std::string SoundRow;  // the flagged sound tag's row after the protection
};

void PrintTo(const EditionRow& row, std::ostream* out) { *out << (row.Map == Edition::Full ? "Full" : "Demo"); }

class ContinueTest : public ProtectDialogTest, public ::testing::WithParamInterface<EditionRow> {};

// "Continue" tells the edition from the file's first four bytes and runs that
// edition's protection, reports it, closes the dialog and lists the map again.
TEST_P(ContinueTest, ProtectsWithTheEditionsRoutineAndListsAgain) {
    const MapBuilder builder = FlaggedSoundMap(GetParam().Map);
    const std::string before = builder.Build();
    TempMap map(before);
    Choose(map.Path());
    auto dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    sim::TypeText(*dialog->ControlByName("TagInPut"), "Mine");
    sim::Click(*dialog->ControlByName("PushButton1"));

    EXPECT_EQ(dialogs_->Messages(), std::vector<std::string>{"Map Protected!"});
    EXPECT_FALSE(sim::IsShown(*dialog));
    EXPECT_FALSE(LiveDialog());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Mineals\\globals", GetParam().SoundRow, "Mineals\\globals"}));
    EXPECT_EQ(main_->Control<fw::StaticText>("tagcount_disp")->Text(), "Tag Count: 3");
    EXPECT_TRUE(Button("Prot")->Enabled());
    const std::string after = map.Bytes();
    EXPECT_EQ(after.substr(static_cast<std::size_t>(builder.NameOffset(0) - 1), 5), "\x04Mine");
    EXPECT_EQ(Int32At(after, builder.EntryOffset(2) + NamePointerAt), Int32At(before, builder.EntryOffset(0) + NamePointerAt));

    auto again = OpenDialog();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Control<fw::EditField>("TagInPut")->Text(), "");
}

INSTANTIATE_TEST_SUITE_P(Editions, ContinueTest,
                         ::testing::Values(EditionRow{Edition::Full, "sound\\weapons\\fire"},
                                           EditionRow{Edition::Demo, "Mineals\\globals"}),
                         [](const auto& info) { return info.param.Map == Edition::Full ? "Full" : "Demo"; });

enum class Dismissal { Cancel, CloseBox };

class DismissTest : public ProtectDialogTest, public ::testing::WithParamInterface<Dismissal> {
protected:
    void Dismiss(fw::Window& dialog) {
        if (GetParam() == Dismissal::Cancel)
            sim::Click(*dialog.ControlByName("PushButton2"));
        else
            sim::ClickCloseBox(dialog);
    }
};

// Dismissing the dialog changes nothing, and the next Prot shows a new one
// with an empty field.
TEST_P(DismissTest, ClosesAndChangesNothing) {
    const std::string before = FlaggedSoundMap(Edition::Demo).Build();
    TempMap map(before);
    Choose(map.Path());
    const std::vector<std::string> listed = Rows();
    auto dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    sim::TypeText(*dialog->ControlByName("TagInPut"), "typed");
    Dismiss(*dialog);

    EXPECT_FALSE(sim::IsShown(*dialog));
    EXPECT_FALSE(LiveDialog());
    EXPECT_EQ(map.Bytes(), before);
    EXPECT_EQ(Rows(), listed);
    EXPECT_EQ(main_->Control<fw::StaticText>("tagcount_disp")->Text(), "Tag Count: 3");
    EXPECT_TRUE(dialogs_->Messages().empty());

    auto again = OpenDialog();
    ASSERT_TRUE(again);
    EXPECT_NE(again, dialog);
    EXPECT_EQ(again->Control<fw::EditField>("TagInPut")->Text(), "");
}

INSTANTIATE_TEST_SUITE_P(Ways, DismissTest, ::testing::Values(Dismissal::Cancel, Dismissal::CloseBox),
                         [](const auto& info) { return info.param == Dismissal::Cancel ? "Cancel" : "CloseBox"; });

// While the sheet is up the main window takes no clicks: no second load or
// protection can start.
TEST_F(ProtectDialogTest, MainWindowTakesNoClicksWhileTheDialogIsUp) {
    TempMap map(FlaggedSoundMap(Edition::Full).Build());
    Choose(map.Path());
    ASSERT_TRUE(OpenDialog());
    const std::size_t asked = dialogs_->FileTypes().size();
    dialogs_->QueueCancel();
    sim::Click(*Button("Load"));
    EXPECT_EQ(dialogs_->FileTypes().size(), asked);
    EXPECT_EQ(dialogs_->PendingAnswers(), 1u);
}

// "Continue" starts no protection unless the main window holds a listed map.
TEST_F(ProtectDialogTest, ContinueWithNoMapOpenClosesTheDialog) {
    auto dialog = ProtectOptions();
    dialog->Show();
    sim::Click(*dialog->ControlByName("PushButton1"));
    EXPECT_FALSE(sim::IsShown(*dialog));
    EXPECT_FALSE(LiveDialog());
    EXPECT_TRUE(dialogs_->Messages().empty());
}

struct RejectedRow {
    const char* Label;
    bool FileExists;
    std::string Message;
};

// A file chosen while the dialog was up that did not open, or was rejected
// as no map, leaves Prot disabled; "Continue" then writes to neither that
// file nor the map listed before, and closes the dialog.
TEST_F(ProtectDialogTest, ContinueAfterALoadThatFailedProtectsNothing) {
    const RejectedRow rows[] = {
        {"not a map", true, "This is not a Halo map file."},
        {"did not open", false, "The map could not be opened for reading and writing."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Label);
        testsupport::ScopedScriptedDialogs dialogs;
        const std::string mapBytes = FlaggedSoundMap(Edition::Full).Build();
        TempMap map(mapBytes);
        const std::string otherBytes = "daeX" + std::string(0x900, 'o');
        TempMap other(otherBytes);
        dialogs->QueueFile(map.Path());
        sim::Click(*Button("Load"));
        auto dialog = OpenDialog();
        ASSERT_TRUE(dialog);

        // The sheet keeps Load from being clicked, so the load is started as
        // its handler.
        dialogs->QueueFile(row.FileExists ? other.Path() : other.Path() + ".missing");
        main_->Load_Action();
        ASSERT_FALSE(Button("Prot")->Enabled());
        sim::Click(*dialog->ControlByName("PushButton1"));

        EXPECT_FALSE(LiveDialog());
        EXPECT_EQ(map.Bytes(), mapBytes);
        EXPECT_EQ(other.Bytes(), otherBytes);
        EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{row.Message});
    }
}

// An error during the protection, here another program shortening the map,
// reaches the framework's report, which names it; "Map Protected!" is never
// shown.
TEST_F(ProtectDialogTest, ErrorDuringTheProtectionIsReportedAndNoSuccessShown) {
    TempMap map(FlaggedSoundMap(Edition::Full).Build());
    Choose(map.Path());
    auto dialog = OpenDialog();
    ASSERT_TRUE(dialog);
    testsupport::RunAtYield(1, [&] { EXPECT_EQ(truncate(map.Path().c_str(), 16), 0); });
    sim::Click(*dialog->ControlByName("PushButton1"));

    ASSERT_EQ(dialogs_->Messages().size(), 1u);
    const std::string& report = dialogs_->Messages()[0];
    EXPECT_EQ(report.rfind("An unexpected error occurred: ", 0), 0u) << report;
    EXPECT_NE(report, "Map Protected!");
}

}  // namespace
