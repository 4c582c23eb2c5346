#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "framework/Exceptions.h"
#include "framework/FolderItem.h"
#include "framework/Menus.h"
#include "framework/Text.h"

namespace {

TEST(Str, GivesDecimalTextWithSignOnlyWhenNegative) {
    EXPECT_EQ(fw::Str(0), "0");
    EXPECT_EQ(fw::Str(7), "7");
    EXPECT_EQ(fw::Str(-1), "-1");
    EXPECT_EQ(fw::Str(-40), "-40");
    EXPECT_EQ(fw::Str(INT32_MAX), "2147483647");
    EXPECT_EQ(fw::Str(INT32_MIN), "-2147483648");
}

struct InStrCase {
    const char* text;
    std::int32_t start;
    const char* sought;
    std::int32_t expected;
};

TEST(InStr, FindsOneBasedPositionsFromTheStart) {
    const InStrCase cases[] = {
        {"Tag Count: 12", 0, "Count", 5},
        {"Tag Count: 12", 1, "Count", 5},
        {"Tag Count: 12", 5, "Count", 5},
        {"Tag Count: 12", 6, "Count", 0},  // starts past the only match
        {"abcabc", 2, "abc", 4},
        {"abcabc", -3, "abc", 1},          // below 1 means the first byte
        {"abc", 3, "c", 3},
        {"abc", 4, "c", 0},                // past the end
        {"abc", INT32_MAX, "c", 0},
        {"abc", 0, "", 0},                 // an empty text is never found
        {"", 0, "a", 0},
        {"abc", 0, "abcd", 0},
        {"Map", 0, "map", 0},              // case matters
    };
    for (const auto& c : cases)
        EXPECT_EQ(fw::InStr(c.text, c.start, c.sought), c.expected)
            << '"' << c.text << "\" from " << c.start << " for \"" << c.sought << '"';
}

TEST(InStr, TreatsBytesAboveAsciiAndZeroBytesAsPlainBytes) {
    const std::string text("a\0\xE9z", 4);
    EXPECT_EQ(fw::InStr(text, 0, std::string("\xE9", 1)), 3);
    EXPECT_EQ(fw::InStr(text, 0, std::string("\0", 1)), 2);
}

TEST(FileType, FilterTextListsEveryExtensionAsPattern) {
    EXPECT_EQ((fw::FileType{"map", "GamD", "map"}.FilterText()), "map (*.map)");
    EXPECT_EQ((fw::FileType{"maps", "GamD", "map;bak"}.FilterText()), "maps (*.map *.bak)");
    EXPECT_EQ((fw::FileType{"maps", "GamD", ";map;;bak;"}.FilterText()), "maps (*.map *.bak)");
    EXPECT_EQ((fw::FileType{"any", "????", ""}.FilterText()), "any (*)");
}

TEST(FolderItem, OffersNoReadOnlyStreamAndNoStreamForAMissingFile) {
    const fw::FolderItem missing("/nonexistent/dir/x.map");
    EXPECT_EQ(missing.Path(), "/nonexistent/dir/x.map");
    EXPECT_EQ(missing.OpenAsBinaryFile(true), nullptr);
    EXPECT_EQ(fw::FolderItem("/dev/null").OpenAsBinaryFile(false), nullptr);
}

std::shared_ptr<fw::MenuItem> Entry(const std::string& name) {
    auto item = std::make_shared<fw::MenuItem>();
    item->SetName(name);
    return item;
}

// MenuBar1 > FileMenu > FileQuit, EditMenu > EditCopy, Recent > FileQuit.
class MenuTree : public testing::Test {
protected:
    void SetUp() override {
        bar->SetName("MenuBar1");
        bar->Append(file);
        bar->Append(edit);
        file->Append(quit);
        edit->Append(copy);
        edit->Append(recent);
        recent->Append(deepQuit);
    }
    std::shared_ptr<fw::MenuBar> bar = std::make_shared<fw::MenuBar>();
    std::shared_ptr<fw::MenuItem> file = Entry("FileMenu");
    std::shared_ptr<fw::MenuItem> edit = Entry("EditMenu");
    std::shared_ptr<fw::MenuItem> quit = Entry("FileQuit");
    std::shared_ptr<fw::MenuItem> copy = Entry("EditCopy");
    std::shared_ptr<fw::MenuItem> recent = Entry("Recent");
    std::shared_ptr<fw::MenuItem> deepQuit = Entry("FileQuit");
};

TEST_F(MenuTree, ChildFindsOnlyDirectChildren) {
    EXPECT_EQ(bar->Child("FileMenu"), file);
    EXPECT_EQ(bar->Child("EditMenu"), edit);
    EXPECT_EQ(bar->Child("FileQuit"), nullptr);
    EXPECT_EQ(bar->Child("MenuBar1"), nullptr);
    EXPECT_EQ(edit->Child("Recent"), recent);
}

TEST_F(MenuTree, LookupSearchesTheWholeSubtreeDepthFirst) {
    EXPECT_EQ(bar->Lookup("EditCopy"), copy);
    EXPECT_EQ(bar->Lookup("FileQuit"), quit);      // the first one met depth first
    EXPECT_EQ(edit->Lookup("FileQuit"), deepQuit);  // two levels down
    EXPECT_EQ(bar->Lookup("MenuBar1"), nullptr);    // the entry itself is not below itself
    EXPECT_EQ(file->Lookup("EditCopy"), nullptr);
    EXPECT_EQ(bar->Lookup("editcopy"), nullptr);
}

TEST_F(MenuTree, ItemsKeepTheirAppendOrderAndRefuseBadIndexes) {
    ASSERT_EQ(edit->Count(), 2);
    EXPECT_EQ(edit->Item(0), copy);
    EXPECT_EQ(edit->Item(1), recent);
    EXPECT_THROW(edit->Item(2), fw::OutOfBoundsException);
    EXPECT_THROW(edit->Item(-1), fw::OutOfBoundsException);
}

TEST_F(MenuTree, AppendRefusesAnEmptyItem) {
    EXPECT_THROW(file->Append(nullptr), fw::NilObjectException);
    EXPECT_EQ(file->Count(), 1);
}

}  // namespace
