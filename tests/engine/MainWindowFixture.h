#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "shell/Tagshroud.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ScriptedDialogs.h"

// The main window with scripted dialogs: maps are chosen in the open-file
// dialog and loaded by pressing Load, as a user would.
class MainWindowFixture : public ::testing::Test {
protected:
    static constexpr const char* NotAMap = "This is not a Halo map file.";
    static constexpr const char* NotOpened = "The map could not be opened for reading and writing.";

    void Choose(const std::string& path) {
        dialogs->QueueFile(path);
        window->Control<fw::PushButton>("Load")->Push();
    }
    void Choose(const testmaps::TempMap& map) { Choose(map.Path()); }
    void CancelChoice() {
        dialogs->QueueCancel();
        window->Control<fw::PushButton>("Load")->Push();
    }

    std::vector<std::string> Rows() const {
        auto list = window->Control<fw::Listbox>("taglist");
        std::vector<std::string> rows;
        for (std::int32_t i = 0; i < list->RowCount(); ++i) rows.push_back(list->RowText(i));
        return rows;
    }
    std::string Label() const { return window->Control<fw::StaticText>("tagcount_disp")->Text(); }
    std::shared_ptr<fw::PushButton> Prot() const { return window->Control<fw::PushButton>("Prot"); }
    std::shared_ptr<fw::PushButton> Load() const { return window->Control<fw::PushButton>("Load"); }

    // The state a listing leaves: the buttons switched over to Prot.
    void ExpectListed() const {
        EXPECT_TRUE(Prot()->Enabled());
        EXPECT_TRUE(Prot()->Default());
        EXPECT_FALSE(Load()->Default());
    }

    testsupport::ScopedScriptedDialogs dialogs;
    std::shared_ptr<class Tagshroud> window = Tagshroud();
};
