#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fuzz/MapHarness.h"
#include "tests/support/MapBuilder.h"

// The fuzzer's seed corpus and every input it ever found at fault, replayed
// through the fuzz harness itself, and the harness's own checks put to the test.

namespace {

namespace fs = std::filesystem;
using mapfuzz::Bytes;
using mapfuzz::ForbiddenChanges;
using mapfuzz::ProtectionOracle;
using testmaps::Edition;
using testmaps::MapBuilder;

const fs::path FuzzFolder = fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";

std::vector<fs::path> SavedInputs() {
    std::vector<fs::path> inputs;
    for (const char* folder : {"corpus", "regressions"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(FuzzFolder / folder, error))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::string TestName(const testing::TestParamInfo<fs::path>& info) {
    std::string name = info.param.parent_path().filename().string() + "_" + info.param.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// What each seed is there to reach; a seed that no longer reaches it has lost
// its point.
const std::map<std::string, std::vector<std::string>> SeedMessages = {
    {"full-valid", {"Map Protected!"}},
    {"demo-valid", {"Map Protected!"}},
    {"full-utf8-text", {"Map Protected!"}},
    {"full-text-over-255", {"The tag message can be at most 255 bytes long."}},
    {"full-huge-tagcount", {"This map's tag index is damaged; the map was not changed."}},
    {"demo-negative-tagcount", {"Map Protected!"}},
    {"full-negative-indexoffset", {"This map's tag index is damaged; the map was not changed."}},
    {"demo-wrapping-indexoffset", {"This map's tag index is damaged; the map was not changed."}},
    {"full-names-outside", {"Map Protected!"}},
    {"full-replacement-crossing-end", {"This map's tag index is damaged; the map was not changed."}},
    {"demo-names-in-index", {"Map Protected!"}},
    {"full-signature-only", {"This map's tag index is damaged; the map was not changed."}},
    {"not-a-map", {"This is not a Halo map file."}},
};

class FuzzReplay : public testing::TestWithParam<fs::path> {};

TEST_P(FuzzReplay, KeepsEveryRule) {
    const std::string input = mapfuzz::ReadFile(GetParam().string());
    const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
    const auto result =
        mapfuzz::RunCase(mapfuzz::SplitInput(data, input.size()),
                         testing::TempDir() + "fuzzreplay-" + std::to_string(getpid()) + ".map");
    for (const auto& problem : result.Problems) ADD_FAILURE() << problem;
    if (GetParam().parent_path().filename() != "corpus") return;
    const auto expected = SeedMessages.find(GetParam().filename().string());
    ASSERT_NE(expected, SeedMessages.end()) << "a seed with no stated purpose";
    EXPECT_EQ(result.Messages, expected->second);
}

INSTANTIATE_TEST_SUITE_P(Saved, FuzzReplay, testing::ValuesIn(SavedInputs()), TestName);

TEST(FuzzReplaySeeds, EverySeedIsInTheCorpus) {
    for (const auto& [seed, messages] : SeedMessages) EXPECT_TRUE(fs::exists(FuzzFolder / "corpus" / seed)) << seed;
}

// ---- The harness's input form ----

TEST(FuzzInput, TakesTheTextLengthFromTwoBytesAndTheRestAsTheMap) {
    struct Row {
        std::string Input;
        std::string Text;
        std::string Map;
    };
    const Row rows[] = {
        {"", "", ""},
        {"\x05", "", "\x05"},
        {std::string("\0\0daeh", 6), "", "daeh"},
        {std::string("\x02\0abcd", 6), "ab", "cd"},
        {std::string("\x2C\x01", 2) + std::string(300, 'x') + "map", std::string(300, 'x'), "map"},
        {std::string("\xFF\xFE", 2) + "short", "short", ""},  // only nine bits count: 0x0FF
    };
    for (const auto& row : rows) {
        const auto c =
            mapfuzz::SplitInput(reinterpret_cast<const std::uint8_t*>(row.Input.data()), row.Input.size());
        EXPECT_EQ(c.Text, row.Text);
        EXPECT_EQ(c.Map, row.Map);
    }
    const mapfuzz::FuzzCase c{std::string(300, 'y'), "daeh"};
    const std::string joined = mapfuzz::JoinInput(c);
    const auto back = mapfuzz::SplitInput(reinterpret_cast<const std::uint8_t*>(joined.data()), joined.size());
    EXPECT_EQ(back.Text, c.Text);
    EXPECT_EQ(back.Map, c.Map);
}

// ---- What the oracle allows a protection to change ----

class FuzzOracle : public testing::Test {
protected:
    FuzzOracle() {
        builder.MapName("bloodgulch").Tag("ihcw", "weapons\\pistol").Tag("gtam", "globals\\globals").Tag("!dns", "sound\\fire");
        original = builder.Build();
    }
    std::vector<std::string> Problems(const std::string& after, bool protectedOk, std::size_t textSize = 11) {
        const ProtectionOracle oracle(Bytes(original), mapfuzz::Edition::Full, textSize);
        return ForbiddenChanges(original, after, oracle, textSize, protectedOk);
    }
    std::string With(std::int64_t at, char value) const {
        std::string bytes = original;
        bytes[static_cast<std::size_t>(at)] = value;
        return bytes;
    }

    MapBuilder builder{Edition::Full};
    std::string original;
};

TEST_F(FuzzOracle, AllowsEachWriteOfAProtection) {
    EXPECT_TRUE(Problems(original, true).empty());
    EXPECT_TRUE(Problems(With(builder.EntryOffset(2) + 0x12, '\x7F'), true).empty()) << "a NamePointer field";
    EXPECT_TRUE(Problems(With(builder.NameOffset(1) + 3, '\0'), true).empty()) << "a name byte zeroed";
    EXPECT_TRUE(Problems(With(builder.NameOffset(0) - 1, '\x0B'), true).empty()) << "the length byte";
    EXPECT_TRUE(Problems(With(builder.NameOffset(0) + 10, 'Q'), true).empty()) << "the replacement's last byte";
}

TEST_F(FuzzOracle, FlagsEveryOtherChange) {
    const struct {
        const char* What;
        std::int64_t At;
        char Value;
    } rows[] = {
        {"a class byte", builder.EntryOffset(1), 'x'},
        {"a flag byte", builder.EntryOffset(2) + 0x18, '\x01'},
        {"the tag count", builder.IndexOffset() + 0x0C, '\x09'},
        {"a name byte set to non-zero", builder.NameOffset(1) + 3, 'Z'},
        {"a name's zero byte", builder.NameOffset(2) + 10, '\x01'},
        {"one past the replacement", builder.NameOffset(0) + 11, 'Q'},
        {"the map name", 0x20, '\0'},
    };
    for (const auto& row : rows) EXPECT_EQ(Problems(With(row.At, row.Value), true).size(), 1u) << row.What;
}

TEST_F(FuzzOracle, AllowsNothingToARefusedProtection) {
    EXPECT_TRUE(Problems(original, false).empty());
    EXPECT_EQ(Problems(With(builder.NameOffset(1) + 3, '\0'), false).size(), 1u);
    EXPECT_EQ(Problems(original + "x", true).size(), 1u) << "a longer file";
    EXPECT_EQ(Problems(original.substr(1), false).size(), 1u) << "a shorter file";
}

TEST(FuzzOracleNames, FollowsAPointerThatAnEarlierWipeCutShort) {
    // Tag 0's name runs over tag 1's NamePointer field, so by tag 1's turn that
    // field may have lost its low byte; the name it then points at may be
    // wiped. Nothing else past the names may be.
    MapBuilder builder(Edition::Demo);
    builder.MapName("m").Tag("ihcw", "a").Tag("ihcw", "b").Trailer(std::string(0x120, 'n') + '\0' + "zzzz");
    const std::int32_t field = static_cast<std::int32_t>(builder.EntryOffset(1) + 0x10);
    const std::int32_t cutPointer = (builder.MapMagic() + field + 0x100) & ~0xFF;
    const std::int32_t fullPointer = cutPointer + 0x40;
    builder.NamePointerField(0, builder.MapMagic() + field - 4).NamePointerField(1, fullPointer);
    std::string bytes = builder.Build();
    // No zero byte between tag 0's name and the field.
    for (std::int64_t at = field - 4; at < field; ++at) bytes[static_cast<std::size_t>(at)] = 'p';
    const ProtectionOracle oracle(Bytes(bytes), mapfuzz::Edition::Demo, 11);
    const std::int64_t cutName = cutPointer - builder.MapMagic();
    ASSERT_EQ(bytes[static_cast<std::size_t>(cutName)], 'n');
    EXPECT_TRUE(oracle.MayBeWiped(cutName)) << "the name at the cut pointer";
    EXPECT_TRUE(oracle.MayBeWiped(cutName + 0x40)) << "the name at the whole pointer";
    EXPECT_FALSE(oracle.MayBeWiped(0x58C)) << "the map name";
    EXPECT_FALSE(oracle.MayBeWiped(static_cast<std::int64_t>(bytes.size()) - 1)) << "beyond every name's reach";
}

}  // namespace
