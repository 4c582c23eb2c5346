#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"

using testmaps::Edition;
using testmaps::MapBuilder;
using testmaps::TempMap;

namespace {

constexpr Edition BothEditions[] = {Edition::Full, Edition::Demo};

std::string Repeated(std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

// Little-endian Int32 bytes, for trailers that hold a field.
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

TEST_F(ListingTest, ListsNameCountAndEveryTagInEntryOrder) {
    for (Edition edition : BothEditions) {
        SCOPED_TRACE(edition == Edition::Full ? "full" : "demo");
        MapBuilder map(edition);
        map.MapName("bloodgulch")
            .Tag("rncs", "levels\\test\\bloodgulch\\bloodgulch")
            .Tag("mtib", "sky\\planets\\basis")
            .Tag("!dns", "")
            .Tag("2dom", "vehicles\\warthog\\warthog");
        List(map);

        EXPECT_EQ(window->Title(), "bloodgulch");
        EXPECT_EQ(Label(), "Tag Count: 4");
        EXPECT_EQ(Rows(), (std::vector<std::string>{"levels\\test\\bloodgulch\\bloodgulch", "sky\\planets\\basis",
                                                    "", "vehicles\\warthog\\warthog"}));
        ExpectListed();
        EXPECT_EQ(window->IndexOffset, 0x800);
        EXPECT_EQ(window->MapMagic, map.MapMagic());
        EXPECT_EQ(window->IndexMagic, map.MapMagic() + 0x800);
        EXPECT_EQ(window->TagCount, 4);
        EXPECT_EQ(window->N, 4);
    }
}

TEST_F(ListingTest, MapNameIsCutAtThirtyTwoBytesOrItsZeroByte) {
    struct Case {
        std::string Stored;
        std::string Title;
    };
    const std::string name32 = Repeated(32);
    const Case cases[] = {
        {name32 + "XYZ", name32},
        {name32, name32},
        {"", ""},
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\x80\xFF\xC3\xA9 map", 8), std::string("\x80\xFF\xC3\xA9 map", 8)},
    };
    for (Edition edition : BothEditions) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Stored);
            List(MapBuilder(edition).MapName(c.Stored).Tag("rncs", "x"));
            EXPECT_EQ(window->Title(), c.Title);
        }
    }
}

TEST_F(ListingTest, TagNamesKeepEveryNonZeroByteUpToTheirCap) {
    const std::string high("\x80\x81\xFE\xFF tag \xC3\xA9", 11);
    const std::string longName = Repeated(10050);
    List(MapBuilder(Edition::Full)
             .MapName("m")
             .Tag("rncs", high)
             .Tag("rncs", longName)
             .Tag("rncs", Repeated(10000))
             .Tag("rncs", Repeated(9999))
             .Tag("rncs", "after the long ones"));

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], high);
    EXPECT_EQ(rows[1], longName.substr(0, 10000));
    EXPECT_EQ(rows[2], Repeated(10000));
    EXPECT_EQ(rows[3], Repeated(9999));
    EXPECT_EQ(rows[4], "after the long ones");
}

TEST_F(ListingTest, ZeroOrNegativeTagCountListsNoRowButShowsTheCount) {
    for (std::int32_t count : {0, -1, -5, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(count);
        List(MapBuilder(Edition::Demo).MapName("m").Tag("rncs", "not listed").TagCountField(count));
        EXPECT_EQ(Label(), "Tag Count: " + std::to_string(count));
        EXPECT_TRUE(Rows().empty());
        ExpectListed();
    }
}

TEST_F(ListingTest, SharedNamesGiveEachTagItsOwnRow) {
    List(MapBuilder(Edition::Full)
             .MapName("m")
             .Tag("rncs", "shared")
             .Tag("mtib", "own")
             .Tag("!dns", "unused")
             .Tag("mtib", "unused too")
             .ShareName(2, 0)
             .ShareName(3, 2));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"shared", "own", "shared", "shared"}));
}

TEST_F(ListingTest, NamesOutsideTheFileGiveEmptyOrShortRows) {
    MapBuilder map(Edition::Full);
    map.MapName("m").Tag("rncs", "before").Tag("rncs", "negative").Tag("rncs", "past the end").Tag("rncs", "tail");
    map.Trailer("xyz");  // no zero byte: the name runs into the end of the file
    const auto length = static_cast<std::int32_t>(map.Build().size());
    const std::int32_t magic = map.MapMagic();
    map.NamePointerField(1, magic - 10)
        .NamePointerField(2, magic + length + 100)
        .NamePointerField(3, magic + length - 3);
    List(map);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"before", "", "", "xyz"}));
}

TEST_F(ListingTest, NamePositionsWrapInThirtyTwoBits) {
    // With MapMagic the largest Int32, the smallest address lies 2^32 - 1
    // below it; wrapping modulo 2^32 makes that offset 1, and the address 0x1F
    // above it the map name's offset.
    MapBuilder map(Edition::Full);
    const std::int32_t magic = std::numeric_limits<std::int32_t>::max();
    const auto indexPointer = static_cast<std::int32_t>(static_cast<std::uint32_t>(magic) + 0x800 + 0x28);
    map.MapName("wrapped").Tag("rncs", "x").IndexPointerField(indexPointer);
    map.NamePointerField(0, std::numeric_limits<std::int32_t>::min() + 0x1F);
    List(map);
    EXPECT_EQ(window->MapMagic, magic);
    EXPECT_EQ(Rows(), std::vector<std::string>{"wrapped"});
}

TEST_F(ListingTest, DamagedTagCountListsOnlyTheEntriesTheFileHolds) {
    MapBuilder map(Edition::Full);
    map.MapName("m").Tag("rncs", "one").Tag("rncs", "two").Tag("rncs", "three");
    map.TagCountField(std::numeric_limits<std::int32_t>::max()).Trailer(std::string(256 * 1024, '\0'));
    const auto length = static_cast<std::int64_t>(map.Build().size());

    const auto start = std::chrono::steady_clock::now();
    List(map);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_EQ(Label(), "Tag Count: 2147483647");
    const auto rows = Rows();
    EXPECT_EQ(static_cast<std::int64_t>(rows.size()), (length - map.EntryOffset(0)) / 0x20);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 3),
              (std::vector<std::string>{"one", "two", "three"}));
    ExpectListed();
}

TEST_F(ListingTest, EntriesThatStartOutsideTheFileAreNotListed) {
    // The tag index header's last field is the file's last four bytes, so the
    // first entry would start past the end.
    MapBuilder pastEnd(Edition::Full);
    pastEnd.MapName("m").Tag("rncs", "x").Trailer(std::string(12, '\x11') + Int32Bytes(7));
    const auto length = static_cast<std::int32_t>(pastEnd.Build().size());
    pastEnd.IndexOffsetField(length - 0x10);
    List(pastEnd);
    EXPECT_EQ(Label(), "Tag Count: 7");
    EXPECT_TRUE(Rows().empty());
    ExpectListed();

    // IndexOffset + 0x28 wraps to a negative position.
    List(MapBuilder(Edition::Demo).MapName("n").Tag("rncs", "x").IndexOffsetField(0x7FFFFFF0));
    EXPECT_EQ(window->IndexOffset, 0x7FFFFFF0);
    EXPECT_EQ(Label(), "Tag Count: 0");
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(window->Title(), "n");
}

TEST_F(ListingTest, EntriesThatWrapToANegativePositionAreNotListed) {
    // A sparse file just over 2 GiB whose tag index header lies below 2 GiB,
    // so TagCount is read from the file, while IndexOffset + 0x28 wraps to a
    // negative Int32.
    constexpr std::int32_t indexOffset = 0x7FFFFFE0;
    constexpr std::int64_t fileSize = 0x80000040;
    TempMap file(MapBuilder(Edition::Full).MapName("far").Tag("rncs", "x").IndexOffsetField(indexOffset).Build());
    std::filesystem::resize_file(file.Path(), fileSize);
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

TEST_F(ListingTest, FullAndDemoListTheSameIndexAlike) {
    const std::vector<testmaps::TagSpec> tags = {
        {"rncs", "levels\\a\\a", 0}, {"mtib", "bitmaps\\b", 1}, {"!dns", "sound\\c", 1}, {"ihcs", "", 0}};
    std::vector<std::string> rows[2];
    std::string labels[2];
    for (int i = 0; i < 2; ++i) {
        List(MapBuilder(BothEditions[i]).MapName("same").Tags(tags).ShareName(3, 1));
        rows[i] = Rows();
        labels[i] = Label();
    }
    EXPECT_EQ(rows[0], rows[1]);
    EXPECT_EQ(labels[0], labels[1]);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"levels\\a\\a", "bitmaps\\b", "sound\\c", "bitmaps\\b"}));
}

TEST_F(ListingTest, ListingAppendsToTheListAsItFindsIt) {
    List(MapBuilder(Edition::Full).MapName("m").Tag("rncs", "a").Tag("rncs", "b"));
    window->Full_Load();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a", "b", "a", "b"}));
    EXPECT_EQ(Label(), "Tag Count: 2");
}

// The tag array of a stock multiplayer map: every path is listed in entry
// order, with the count.
TEST_F(ListingTest, ListsARealMultiplayerMapsTags) {
    const char* dir = std::getenv("TAGSHROUD_TESTDATA");
    const std::string path = std::string(dir ? dir : "/work/shared/testdata") + "/multiplayer-map-tags.tsv";
    std::ifstream in(path);
    ASSERT_TRUE(in) << "missing " << path;

    std::vector<testmaps::TagSpec> tags;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string index, cls, name;
        std::getline(fields, index, '\t');
        std::getline(fields, cls, '\t');
        std::getline(fields, name);
        ASSERT_EQ(std::stoul(index), tags.size());
        std::reverse(cls.begin(), cls.end());  // a map stores the class's bytes reversed
        tags.push_back({cls, name, 0});
    }
    ASSERT_GT(tags.size(), 1000u);

    List(MapBuilder(Edition::Full).MapName("bloodgulch").Tags(tags));
    EXPECT_EQ(window->Title(), "bloodgulch");
    EXPECT_EQ(Label(), "Tag Count: " + std::to_string(tags.size()));
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(rows[i], tags[i].Name) << "tag " << i;
}
