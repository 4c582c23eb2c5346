#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "framework/BinaryStream.h"
#include "framework/testing/Simulate.h"
#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/StockTags.h"
#include "tests/support/Yields.h"

using testmaps::Edition;
using testmaps::MapBuilder;
using testmaps::TempMap;
using RowList = std::vector<std::string>;

namespace {

constexpr Edition BothEditions[] = {Edition::Full, Edition::Demo};

std::string Repeated(std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

std::string Int32Bytes(std::int32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

class ListingTest : public MainWindowFixture {
protected:
    void List(const MapBuilder& map) {
        file_ = std::make_unique<TempMap>(map.Build());
        Choose(*file_);
        ASSERT_TRUE(dialogs->Messages().empty()) << dialogs->Messages().front();
    }

    std::unique_ptr<TempMap> file_;
};

// The same index behind either edition's header lists alike. The title is set
// as soon as the map name is read, before the tag index is sought; the label
// before the first row; and a listing only appends to the list.
TEST_F(ListingTest, ListsNameCountAndEveryTagInEntryOrderInBothEditions) {
    std::int64_t positionAtTitle = -1;
    fw::testing::WatchTitle(*window, [&] { positionAtTitle = window->br ? window->br->Position() : -1; });
    for (Edition edition : BothEditions) {
        SCOPED_TRACE(edition == Edition::Full ? "full" : "demo");
        window->SetTitle("");
        MapBuilder map(edition);
        map.MapName("bloodgulch")
            .Tag("rncs", "levels\\test\\bloodgulch\\bloodgulch")
            .Tag("mtib", "sky\\planets\\basis", 1)
            .Tag("!dns", "")
            .Tag("2dom", "unused")
            .Tag("ihcs", "unused too")
            .ShareName(3, 1)
            .ShareName(4, 3);
        // Yields 1 to 11 read the map name and its zero byte; 12 is tag 0's first name byte.
        struct { std::string Title, Label; std::int32_t Rows = -1; } atFirstTagName;
        testsupport::RunAtYield(12, [&] {
            atFirstTagName = {window->Title(), Label(), window->Control<fw::Listbox>("taglist")->RowCount()};
        });
        List(map);

        EXPECT_EQ(positionAtTitle, map.MapNameFieldOffset() + 11);
        EXPECT_EQ(atFirstTagName.Title, "bloodgulch");
        EXPECT_EQ(atFirstTagName.Label, "Tag Count: 5");
        EXPECT_EQ(atFirstTagName.Rows, 0);
        EXPECT_EQ(window->Title(), "bloodgulch");
        EXPECT_EQ(Label(), "Tag Count: 5");
        EXPECT_EQ(Rows(), (RowList{"levels\\test\\bloodgulch\\bloodgulch", "sky\\planets\\basis", "",
                                 "sky\\planets\\basis", "sky\\planets\\basis"}));
        ExpectListed();
        EXPECT_EQ(window->IndexOffset, 0x800);
        EXPECT_EQ(window->MapMagic, map.MapMagic());
        EXPECT_EQ(window->IndexMagic, map.MapMagic() + 0x800);
        EXPECT_EQ(window->N, 5);

        const RowList listed = Rows();
        edition == Edition::Full ? window->Full_Load() : window->Demo_Load();
        RowList twice = listed;
        twice.insert(twice.end(), listed.begin(), listed.end());
        EXPECT_EQ(Rows(), twice);
    }
}

TEST_F(ListingTest, MapNameIsCutAtThirtyTwoBytesOrItsZeroByte) {
    const std::string name32 = Repeated(32);
    const std::string high("\x80\xFF\xC3\xA9 map", 8);
    const std::pair<std::string, std::string> cases[] = {
        {name32 + "XYZ", name32}, {name32, name32}, {"", ""}, {std::string("ab\0cd", 5), "ab"}, {high, high}};
    for (Edition edition : BothEditions) {
        for (const auto& [stored, title] : cases) {
            SCOPED_TRACE(stored);
            List(MapBuilder(edition).MapName(stored).Tag("rncs", "x"));
            EXPECT_EQ(window->Title(), title);
        }
    }
}

TEST_F(ListingTest, TagNamesKeepEveryNonZeroByteUpToTheirCap) {
    const std::string high("\x80\x81\xFE\xFF tag \xC3\xA9", 11);
    List(MapBuilder(Edition::Full)
             .Tag("rncs", high)
             .Tag("rncs", Repeated(10050))
             .Tag("rncs", Repeated(10000))
             .Tag("rncs", Repeated(9999))
             .Tag("rncs", "after the long ones"));
    EXPECT_EQ(Rows(), (RowList{high, Repeated(10000), Repeated(10000), Repeated(9999), "after the long ones"}));
}

TEST_F(ListingTest, ZeroOrNegativeTagCountListsNoRowButShowsTheCount) {
    for (std::int32_t count : {0, -5, std::numeric_limits<std::int32_t>::min()}) {
        List(MapBuilder(Edition::Demo).Tag("rncs", "not listed").TagCountField(count));
        EXPECT_EQ(Label(), "Tag Count: " + std::to_string(count));
        EXPECT_TRUE(Rows().empty());
        ExpectListed();
    }
}

// Reads outside the file give no bytes: a name there is empty, and one that
// runs into the end of the file stops there.
TEST_F(ListingTest, NamesOutsideTheFileGiveEmptyOrShortRows) {
    MapBuilder map(Edition::Full);
    map.Tag("rncs", "before").Tag("rncs", "negative").Tag("rncs", "past the end").Tag("rncs", "tail").Trailer("xyz");
    const auto length = static_cast<std::int32_t>(map.Build().size());
    const std::int32_t magic = map.MapMagic();
    map.NamePointerField(1, magic - 10).NamePointerField(2, magic + length + 100).NamePointerField(3, magic + length - 3);
    List(map);
    EXPECT_EQ(Rows(), (RowList{"before", "", "", "xyz"}));
}

TEST_F(ListingTest, NamePositionsWrapInThirtyTwoBits) {
    // With MapMagic the largest Int32, NamePointer - MapMagic for the smallest
    // Int32 plus 0x1F wraps to 0x20, the map name's offset.
    const std::int32_t magic = std::numeric_limits<std::int32_t>::max();
    const auto indexPointer = static_cast<std::int32_t>(static_cast<std::uint32_t>(magic) + 0x828);
    List(MapBuilder(Edition::Full)
             .MapName("wrapped")
             .Tag("rncs", "x")
             .IndexPointerField(indexPointer)
             .NamePointerField(0, std::numeric_limits<std::int32_t>::min() + 0x1F));
    EXPECT_EQ(window->MapMagic, magic);
    EXPECT_EQ(Rows(), RowList{"wrapped"});
}

TEST_F(ListingTest, DamagedTagCountListsOnlyTheEntriesTheFileHolds) {
    MapBuilder map(Edition::Full);
    map.Tag("rncs", "one").Tag("rncs", "two").Tag("rncs", "three").Trailer(std::string(256 * 1024, '\0'));
    map.TagCountField(std::numeric_limits<std::int32_t>::max());
    const auto length = static_cast<std::int64_t>(map.Build().size());

    const auto start = std::chrono::steady_clock::now();
    List(map);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Label(), "Tag Count: 2147483647");
    const auto rows = Rows();
    ASSERT_EQ(static_cast<std::int64_t>(rows.size()), (length - map.EntryOffset(0)) / 0x20);
    EXPECT_EQ(RowList(rows.begin(), rows.begin() + 3), (RowList{"one", "two", "three"}));
    ExpectListed();
}

TEST_F(ListingTest, EntriesThatStartOutsideTheFileAreNotListed) {
    // The index header's TagCount is the file's last four bytes, so the
    // first entry would start past the end.
    MapBuilder pastEnd(Edition::Full);
    pastEnd.Tag("rncs", "x").Trailer(std::string(12, '\x11') + Int32Bytes(7));
    pastEnd.IndexOffsetField(static_cast<std::int32_t>(pastEnd.Build().size()) - 0x10);
    List(pastEnd);
    EXPECT_EQ(Label(), "Tag Count: 7");
    EXPECT_TRUE(Rows().empty());

    // A sparse file past 2 GiB whose index header lies below 2 GiB, so that
    // TagCount is read, while IndexOffset + 0x28 wraps to a negative Int32.
    constexpr std::int32_t indexOffset = 0x7FFFFFE0;
    TempMap file(MapBuilder(Edition::Full).Tag("rncs", "x").IndexOffsetField(indexOffset).Build());
    std::filesystem::resize_file(file.Path(), 0x80000040);
    {
        std::fstream out(file.Path(), std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(std::int64_t{indexOffset} + 0x0C);
        out << Int32Bytes(5);
        ASSERT_TRUE(out);
    }
    Choose(file);
    EXPECT_EQ(Label(), "Tag Count: 5");
    EXPECT_TRUE(Rows().empty());
    ExpectListed();
}

// The tag array of a stock multiplayer map: every path is listed in entry
// order, with the count.
TEST_F(ListingTest, ListsARealMultiplayerMapsTags) {
    const std::vector<testmaps::TagRow> tags = testmaps::StockMultiplayerTags();
    ASSERT_GT(tags.size(), 1000u);

    List(MapBuilder(Edition::Full).MapName("bloodgulch").Tags(tags));
    EXPECT_EQ(Label(), "Tag Count: " + std::to_string(tags.size()));
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(rows[i], tags[i].Name) << "tag " << i;
}

// One yield per turn: each byte of the map name and of every tag name, the
// zero byte that ends a name included, and one per tag. The rows come out the
// same wherever in the listing the event loop gets its turn.
TEST_F(ListingTest, YieldsOncePerTurnAndListsAlikeWhereverTheEventLoopComesIn) {
    MapBuilder map(Edition::Full);
    map.MapName(Repeated(32)).Tag("rncs", Repeated(70)).Tag("!dns", "").Tag("mtib", Repeated(10));
    // 32 map-name bytes (the cap, so no zero byte), then 71 + 1, 1 + 1, 11 + 1.
    constexpr std::uint64_t Turns = 32 + 72 + 2 + 12;
    const RowList rows = {Repeated(70), "", Repeated(10)};
    EXPECT_EQ(testsupport::CountYields([&] { List(map); }), Turns);
    EXPECT_EQ(Rows(), rows);
    for (std::uint32_t turn = 1; turn <= Turns + 1; ++turn) {
        SCOPED_TRACE("event loop at yield " + std::to_string(turn));
        window->Control<fw::Listbox>("taglist")->DeleteAllRows();
        testsupport::EventLoopAtYield(turn);
        Choose(*file_);
        EXPECT_EQ(Rows(), rows);
        EXPECT_EQ(window->Title(), Repeated(32));
    }
}
