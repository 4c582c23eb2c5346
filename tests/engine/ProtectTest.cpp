#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Window.h"
#include "shell/ProtectOptions.h"
#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/SparseMaps.h"
#include "tests/support/Yields.h"

using testmaps::Edition;
using testmaps::Int32At;
using testmaps::MapBuilder;
using testmaps::TempMap;

namespace {

// The layout as these tests see it, spelled out apart from the engine's.
constexpr std::int64_t NamePointerAt = 0x10;
const std::string SoundMarker = "sound\\sfx\\ui\\";
const std::string BitmapMarker = "ui\\shell";
const std::string Damaged = "This map's tag index is damaged; the map was not changed.";
const std::string Protected = "Map Protected!";

// `size` name bytes: `prefix`, then letters.
std::string NameOf(std::size_t size, const std::string& prefix = "") {
    std::string name = prefix;
    while (name.size() < size) name += static_cast<char>('a' + name.size() % 26);
    return name.substr(0, size);
}

std::size_t At(std::int64_t offset) { return static_cast<std::size_t>(offset); }

void PutInt32(std::string& bytes, std::int64_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[At(offset + i)] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

// The zero-ended name at `offset`, at most `cap` bytes.
std::string NameAt(const std::string& bytes, std::int64_t offset, std::size_t cap) {
    const std::string name = bytes.substr(At(offset), cap);
    return name.substr(0, name.find('\0'));
}

// A wiped name: its first `cap` bytes up to its zero byte become zero.
void ZeroName(std::string& bytes, std::int64_t offset, std::size_t cap) {
    for (std::size_t i = At(offset); i < At(offset) + cap && bytes[i] != '\0'; ++i) bytes[i] = '\0';
}

// A protected tag: its name wiped, its NamePointer set to tag 0's.
void Wipe(std::string& bytes, const MapBuilder& builder, int tag, std::size_t cap) {
    ZeroName(bytes, builder.NameOffset(tag), cap);
    PutInt32(bytes, builder.EntryOffset(tag) + NamePointerAt, Int32At(bytes, builder.EntryOffset(0) + NamePointerAt));
}

// A length byte just before tag 0's name, then the text over it.
void PutReplacement(std::string& bytes, const MapBuilder& builder, const std::string& text) {
    bytes[At(builder.NameOffset(0) - 1)] = static_cast<char>(text.size());
    bytes.replace(At(builder.NameOffset(0)), text.size(), text);
}

// Empty when the two files are equal, else where they first differ.
std::string Difference(const std::string& expected, const std::string& actual) {
    if (expected.size() != actual.size()) return "length " + std::to_string(actual.size());
    const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
    if (diff.first == expected.end()) return "";
    return "byte " + std::to_string(diff.first - expected.begin()) + " is " +
           std::to_string(static_cast<unsigned char>(*diff.second));
}

class ProtectTest : public MainWindowFixture {
protected:
    // Types `text` in the protect dialog and runs the protection of `edition`.
    void Protect(Edition edition, const std::string& text) {
        ProtectOptions()->Control<fw::EditField>("TagInPut")->SetText(text);
        edition == Edition::Full ? window->Full_Protect() : window->Demo_Protect();
    }

    // The file's bytes after loading and protecting the built map.
    std::string ProtectedBytes(const MapBuilder& builder, Edition edition, const std::string& text) {
        TempMap map(builder.Build());
        Choose(map);
        Protect(edition, text);
        return map.Bytes();
    }

    static bool DialogOpen() { return fw::GetImplicitWindow(ProtectOptions::FrameworkClassName) != nullptr; }
};

// The decision table, in both editions. 0 means left alone, else the wipe cap.
struct DecisionRow {
    const char* Label;
    std::string Class;
    std::int32_t Flag;
    std::string Name;
    std::size_t FullCap;
    std::size_t DemoCap;
};

void PrintTo(const DecisionRow& row, std::ostream* out) { *out << row.Label; }

std::vector<DecisionRow> DecisionRows() {
    const std::string sound = NameOf(150, "sound\\weapons\\"), bitmap = NameOf(150, "ui\\hud\\"), other = NameOf(1200);
    std::vector<DecisionRow> rows = {
        {"SoundFlag1", "!dns", 1, sound, 0, 100},          {"BitmapFlag1", "mtib", 1, bitmap, 0, 100},
        {"SoundFlag0", "!dns", 0, sound, 100, 100},        {"SoundFlag257", "!dns", 257, sound, 100, 100},
        {"SoundFlagMinus1", "!dns", -1, sound, 100, 100},  {"BitmapFlag257", "mtib", 257, bitmap, 100, 100},
        {"SoundMarkerInMiddle", "!dns", 0, NameOf(150, "sound\\x\\" + SoundMarker), 0, 0},
        {"BitmapMarkerInMiddle", "mtib", 0, NameOf(150, "levels\\" + BitmapMarker), 0, 0},
        {"SoundWithBitmapMarker", "!dns", 0, NameOf(150, BitmapMarker), 100, 100},
        {"OtherClassFlag1", "weap", 1, other, 1000, 1000}, {"OtherClassWithMarker", "weap", 0, SoundMarker + other, 1000, 1000},
        {"ExemptClassFlag1", "cgat", 1, other, 0, 0},      {"ReversedGlobals", "matg", 0, other, 1000, 1000},
        {"ReversedSoundFlag1", "snd!", 1, other, 1000, 1000}, {"UpperCaseGlobals", "GTAM", 0, other, 1000, 1000},
    };
    for (const char* exempt : {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh"})
        rows.push_back({exempt[0] == ' ' ? "Exempt_tmh" : exempt, exempt, 0, other, 0, 0});
    return rows;
}

class DecisionTableTest : public ProtectTest, public ::testing::WithParamInterface<std::tuple<DecisionRow, Edition>> {};

// Tag 0 is exempt, the tag under test is tag 1, and tag 2 of an ordinary
// class shows that the loop goes on after it.
TEST_P(DecisionTableTest, DecidesTheTagAsTheTableSays) {
    const auto& [row, edition] = GetParam();
    MapBuilder builder(edition);
    builder.Tag("gtam", "globals\\globals").Tag(row.Class, row.Name, row.Flag).Tag("scnr", "levels\\test");
    std::string expected = builder.Build();
    // "Map Protected!" shows over the open dialog, before the list is emptied and filled again.
    bool dialogAtReport = false;
    std::vector<std::string> rowsAtReport;
    dialogs->WatchMessages([&](const std::string&) {
        dialogAtReport = DialogOpen();
        rowsAtReport = Rows();
    });
    const std::string after = ProtectedBytes(builder, edition, "X");
    EXPECT_TRUE(dialogAtReport);
    EXPECT_EQ(rowsAtReport, (std::vector<std::string>{"globals\\globals", row.Name, "levels\\test"}));

    const std::size_t cap = edition == Edition::Full ? row.FullCap : row.DemoCap;
    if (cap) Wipe(expected, builder, 1, cap);
    Wipe(expected, builder, 2, 1000);
    PutReplacement(expected, builder, "X");
    EXPECT_EQ(Difference(expected, after), "");
    const std::string tag0 = "Xlobals\\globals";
    EXPECT_EQ(Rows(), (std::vector<std::string>{tag0, cap ? tag0 : row.Name, tag0}));
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{Protected});
}

INSTANTIATE_TEST_SUITE_P(Rows, DecisionTableTest,
                         ::testing::Combine(::testing::ValuesIn(DecisionRows()), ::testing::Values(Edition::Full, Edition::Demo)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Label) +
                                    (std::get<1>(info.param) == Edition::Full ? "_Full" : "_Demo");
                         });

// A bitmap's name is searched in its first 100 bytes: the marker from byte
// 93 on (1-based) lies inside them, from byte 94 on it is cut.
TEST_F(ProtectTest, BitmapMarkerCountsOnlyInsideTheFirstHundredBytes) {
    for (const std::size_t markerAt : {93u, 94u}) {
        SCOPED_TRACE(markerAt);
        const std::string name = NameOf(markerAt - 1) + BitmapMarker + "\\main";
        MapBuilder builder(Edition::Demo);
        builder.Tag("gtam", "globals\\globals").Tag("mtib", name);
        const std::string after = ProtectedBytes(builder, Edition::Demo, "");
        EXPECT_EQ(NameAt(after, builder.NameOffset(1), 10000), markerAt == 93 ? name : "");
    }
}

// Exactly min(size, cap) bytes become zero; the rest and the zero byte stay.
TEST_F(ProtectTest, WipesAtMostTheCapOfTheClass) {
    struct Row { std::string Class; std::size_t Size, Zeroed; };
    const Row rows[] = {{"!dns", 99, 99},    {"!dns", 100, 100},  {"!dns", 150, 100},   {"mtib", 150, 100},
                        {"mtib", 0, 0},      {"weap", 999, 999},  {"weap", 1500, 1000}, {"!dns", 1500, 100}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Class + " " + std::to_string(row.Size));
        MapBuilder builder(Edition::Full);
        builder.Tag("gtam", "globals\\globals").Tag(row.Class, NameOf(row.Size, "\x80\xFF")).Tag("tnof", "after");
        std::string expected = builder.Build();
        const std::string after = ProtectedBytes(builder, Edition::Full, "G");
        expected.replace(At(builder.NameOffset(1)), row.Zeroed, std::string(row.Zeroed, '\0'));
        PutInt32(expected, builder.EntryOffset(1) + NamePointerAt, Int32At(expected, builder.EntryOffset(0) + NamePointerAt));
        PutReplacement(expected, builder, "G");
        EXPECT_EQ(Difference(expected, after), "");
    }
}

// Tag 0's old name "abcdef" is followed by tag 1's "next".
TEST_F(ProtectTest, ReplacementOverTag0sNameExemptOrProtected) {
    struct Row { std::string Tag0Class, Text, ReadsAs; };
    const Row rows[] = {{"gtam", "xy", "xycdef"}, {"gtam", "uvwxyz", "uvwxyz"}, {"gtam", "0123456789", "0123456789t"},
                        {"weap", "xy", "xy"},     {"weap", "uvwxyz", "uvwxyz"}, {"weap", "0123456789", "0123456789t"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Tag0Class + " " + row.Text);
        MapBuilder builder(Edition::Full);
        builder.Tag(row.Tag0Class, "abcdef").Tag("tnof", "next").Trailer(std::string(16, '\0'));
        std::string expected = builder.Build();
        const std::string after = ProtectedBytes(builder, Edition::Full, row.Text);
        if (row.Tag0Class == "weap") ZeroName(expected, builder.NameOffset(0), 1000);
        PutReplacement(expected, builder, row.Text);
        EXPECT_EQ(Difference(expected, after), "");
        EXPECT_EQ(Rows().at(0), row.ReadsAs);
    }
}

// The first of two protected tags sharing a name zeroes it; the second finds
// it empty and only has its pointer redirected.
TEST_F(ProtectTest, TwoTagsSharingANameBothPointAtTag0) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\shared").Tag("!dns", "").ShareName(2, 1).Tag("tnof", "fonts\\x");
    std::string expected = builder.Build();
    const std::string after = ProtectedBytes(builder, Edition::Full, "S");
    Wipe(expected, builder, 1, 1000);
    Wipe(expected, builder, 2, 100);
    PutReplacement(expected, builder, "S");
    EXPECT_EQ(Difference(expected, after), "");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Slobals\\globals", "Slobals\\globals", "Slobals\\globals", "fonts\\x"}));
}

TEST_F(ProtectTest, TagCountZeroOrNegativeStillWritesTheReplacement) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        SCOPED_TRACE(count);
        MapBuilder builder(Edition::Demo);
        builder.Tag("weap", "weapons\\pistol").Tag("!dns", "sound\\x").TagCountField(count);
        std::string expected = builder.Build();
        const std::string after = ProtectedBytes(builder, Edition::Demo, "");
        PutReplacement(expected, builder, "<Protected>");
        EXPECT_EQ(Difference(expected, after), "");
        EXPECT_TRUE(Rows().empty());
    }
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>(3, Protected));
}

// The typed text goes to the map as its UTF-8 bytes, counted by the length
// byte; nothing is trimmed.
TEST_F(ProtectTest, WritesTheTypedTextAsBytesWithALengthByte) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "\x0B<Protected>"}, {" ", "\x01 "}, {"Grüße", "\x07Gr\xC3\xBC\xC3\x9F" "e"}, {std::string(255, 'q'), "\xFF" + std::string(255, 'q')}};
    for (const auto& [typed, written] : rows) {
        SCOPED_TRACE(typed);
        MapBuilder builder(Edition::Full);
        builder.Tag("weap", NameOf(300)).Trailer(std::string(300, '\0'));
        const std::string after = ProtectedBytes(builder, Edition::Full, typed);
        EXPECT_EQ(after.substr(At(builder.NameOffset(0) - 1), written.size() + 1), written + '\0');
        EXPECT_EQ(Rows(), std::vector<std::string>{written.substr(1)});
    }
}

// Tags protected the first time point at tag 0's name, so protecting them
// again wipes that name before the new text is written.
TEST_F(ProtectTest, ProtectingAProtectedMapAgain) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\gun").Tag("!dns", SoundMarker + "click").Tag("mtib", "ui\\hud", 1);
    TempMap map(builder.Build());
    Choose(map);
    Protect(Edition::Full, "First");
    std::string expected = map.Bytes();
    EXPECT_EQ(NameAt(expected, builder.NameOffset(0), 100), "Firstls\\globals");

    Protect(Edition::Full, "AB");
    ZeroName(expected, builder.NameOffset(0), 1000);
    PutReplacement(expected, builder, "AB");
    EXPECT_EQ(Difference(expected, map.Bytes()), "");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"AB", "AB", SoundMarker + "click", "ui\\hud"}));
}

// Unless every entry and the whole replacement lie inside the file, nothing
// is written and the dialog closes. The replacement may end at the file's
// last byte.
TEST_F(ProtectTest, DamagedTagIndexIsRefusedBeforeAnyWrite) {
    struct Row { const char* Label; MapBuilder Builder; std::string Text; bool Refused; };
    auto base = [] { return MapBuilder(Edition::Full).Tag("gtam", "ab").Tag("weap", "weapons\\gun").Tag("!dns", "c"); };
    MapBuilder moved = base();  // an index header copied to the very end: its entry starts there
    std::string header(0x28, '\0');
    PutInt32(header, 0x00, 0x40440000 + 0x28);
    PutInt32(header, 0x0C, 1);
    moved.IndexOffsetField(static_cast<std::int32_t>(moved.Build().size())).Trailer(header);
    const Row rows[] = {
        {"count far larger than the file", base().TagCountField(1000000), "", true},
        {"count of the largest Int32", base().TagCountField(INT32_MAX), "", true},
        {"fourth entry past the end", base().TagCountField(4), "", true},  // 17 name bytes follow the entries
        {"entries past the end", moved, "", true},
        {"tag 0's name at the first byte", base().NamePointerField(0, 0x40440000 - 0x800), "", true},
        {"tag 0's name before the file", base().NamePointerField(0, 0x40000000), "", true},
        {"tag 0's name past the end", base().NamePointerField(0, INT32_MAX), "", true},
        {"replacement ends at the last byte", MapBuilder(Edition::Full).Tag("gtam", "ab"), "xyz", false},
        {"replacement one byte past it", MapBuilder(Edition::Full).Tag("gtam", "ab"), "xyzw", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Label);
        std::string expected = row.Builder.Build();
        TempMap map(expected);
        Choose(map);
        const std::vector<std::string> listed = Rows();
        const std::size_t shown = dialogs->Messages().size();
        Protect(Edition::Full, row.Text);

        if (!row.Refused) PutReplacement(expected, row.Builder, row.Text);
        EXPECT_EQ(Difference(expected, map.Bytes()), "");
        EXPECT_EQ(std::vector<std::string>(dialogs->Messages().begin() + static_cast<std::ptrdiff_t>(shown), dialogs->Messages().end()),
                  std::vector<std::string>{row.Refused ? Damaged : Protected});
        EXPECT_FALSE(DialogOpen());
        if (row.Refused) {
            EXPECT_EQ(Rows(), listed);
        }
    }
}

TEST_F(ProtectTest, TextOverTwoHundredFiftyFiveBytesIsRefusedAndKept) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\gun").Trailer(std::string(600, '\0'));
    const std::string before = builder.Build();
    TempMap map(before);
    Choose(map);
    const std::string text = std::string(254, 'w') + "é";  // 256 bytes in UTF-8
    Protect(Edition::Full, text);

    EXPECT_EQ(Difference(before, map.Bytes()), "");
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{"The tag message can be at most 255 bytes long."});
    ASSERT_TRUE(DialogOpen());
    EXPECT_EQ(ProtectOptions()->Control<fw::EditField>("TagInPut")->Text(), text);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"globals\\globals", "weapons\\gun"}));
}

// Both entries lie inside the file, but the second one's NamePointer field
// lies at a negative position once kept in 32 bits, where no redirect can
// write: the map counts as damaged, and neither tag 0's name nor anything
// else is written.
TEST_F(ProtectTest, NamePointerFieldPastTwoGiBInThirtyTwoBitsIsDamagedAndNothingIsWritten) {
    using Huge = testmaps::EntriesAtTwoGiB;
    const auto map = Huge::Make();
    const auto entries = [&] {
        std::ifstream file(map->Path(), std::ios::binary);
        std::string bytes(At(Huge::FileSize - Huge::EntriesOffset), '\0');
        file.seekg(Huge::EntriesOffset);
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return bytes;
    };
    const std::string entriesBefore = entries();
    Choose(map->Path());
    ASSERT_EQ(Rows(), (std::vector<std::string>{"first", "second"}));
    Protect(Edition::Full, "x");

    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{Damaged});
    EXPECT_FALSE(DialogOpen());
    std::ifstream file(map->Path(), std::ios::binary);
    std::string head(At(Huge::HeadSize), '\0');
    file.read(head.data(), Huge::HeadSize);
    EXPECT_EQ(Difference(Huge::Head(), head), "");
    EXPECT_EQ(entries(), entriesBefore);
}

// Which tags must be protected, decided in entry order on a copy of the file
// in which each protected tag's name is wiped as the loop goes.
std::vector<bool> ExpectedProtected(std::string bytes, const MapBuilder& builder, Edition edition) {
    const std::set<std::string> exempt = {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh"};
    std::vector<bool> result;
    for (int tag = 0; tag < builder.TagCount(); ++tag) {
        const std::string cls = bytes.substr(At(builder.EntryOffset(tag)), 4);
        const bool tested = cls == "!dns" || cls == "mtib";
        bool wipe = !exempt.count(cls);
        if (tested) {
            const bool flagged = edition == Edition::Full && Int32At(bytes, builder.EntryOffset(tag) + 0x18) == 1;
            const std::string name = NameAt(bytes, builder.NameOffset(tag), cls == "!dns" ? 10000 : 100);
            wipe = !flagged && name.find(cls == "!dns" ? SoundMarker : BitmapMarker) == std::string::npos;
        }
        if (wipe) ZeroName(bytes, builder.NameOffset(tag), tested ? 100 : 1000);
        result.push_back(wipe);
    }
    return result;
}

TEST_F(ProtectTest, GeneratedMapsChangeOnlyNamesPointersAndTheReplacement) {
    std::mt19937 random(20260512u);
    auto below = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random); };
    auto bytes = [&](std::size_t size, int lowest) {
        std::string out;
        while (out.size() < size) out += static_cast<char>(lowest + static_cast<int>(below(static_cast<std::size_t>(256 - lowest))));
        return out;
    };
    const char* classes[] = {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh", "!dns", "!dns", "mtib", "mtib", "matg"};
    const std::int32_t flags[] = {0, 1, 1, 257, -1, 2};
    const std::size_t sizes[] = {0, 5, 40, 95, 100, 101, 150, 999, 1000, 1200};
    constexpr int Maps = 300;
    for (int run = 0; run < Maps; ++run) {
        SCOPED_TRACE("map " + std::to_string(run));
        const Edition edition = below(2) ? Edition::Full : Edition::Demo;
        MapBuilder builder(edition);
        const int tagCount = 1 + static_cast<int>(below(24));
        for (int tag = 0; tag < tagCount; ++tag) {
            const std::string cls = below(4) ? classes[below(std::size(classes))] : bytes(4, 0);
            const std::int32_t flag = below(8) ? flags[below(std::size(flags))] : static_cast<std::int32_t>(random());
            std::string name = bytes(below(3) ? below(60) : sizes[below(std::size(sizes))], 1);
            if (below(3) == 0) name.insert(below(name.size() + 1), below(2) ? SoundMarker : BitmapMarker);
            builder.Tag(cls, name, flag);
            if (tag > 0 && below(6) == 0) builder.ShareName(tag, static_cast<int>(below(static_cast<std::size_t>(tag))));
        }
        builder.Trailer(std::string(300, '\0'));
        std::string text;  // printable ASCII, or empty one time in five
        if (below(5)) text = std::string(1 + below(40), ' ');
        for (char& c : text) c = static_cast<char>(' ' + below(95));
        const std::string before = builder.Build();
        const std::vector<bool> expected = ExpectedProtected(before, builder, edition);
        const std::string after = ProtectedBytes(builder, edition, text);
        ASSERT_EQ(after.size(), before.size());

        // Every byte outside the NamePointer fields, the old names' bytes and
        // the replacement's span stays.
        std::vector<bool> mayChange(before.size(), false);
        for (int tag = 0; tag < tagCount; ++tag) {
            for (int i = 0; i < 4; ++i) mayChange[At(builder.EntryOffset(tag) + NamePointerAt + i)] = true;
            for (std::size_t at = At(builder.NameOffset(tag)); before[at] != '\0'; ++at) mayChange[at] = true;
        }
        const std::string written = text.empty() ? "<Protected>" : text;
        for (std::size_t i = 0; i <= written.size(); ++i) mayChange[At(builder.NameOffset(0) - 1) + i] = true;
        std::size_t changedOutside = 0;
        for (std::size_t i = 0; i < before.size(); ++i) changedOutside += !mayChange[i] && after[i] != before[i];
        EXPECT_EQ(changedOutside, 0u);

        const std::int32_t tag0Pointer = Int32At(before, builder.EntryOffset(0) + NamePointerAt);
        for (int tag = 0; tag < tagCount; ++tag) {
            const std::int64_t field = builder.EntryOffset(tag) + NamePointerAt;
            EXPECT_EQ(Int32At(after, field), expected[At(tag)] ? tag0Pointer : Int32At(before, field)) << "tag " << tag;
        }
        EXPECT_EQ(after.substr(At(builder.NameOffset(0) - 1), 1 + written.size()), static_cast<char>(written.size()) + written);
    }
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>(Maps, Protected));
}

}  // namespace

// A protection yields once per tag and once per byte turn of each name it
// tests or wipes; the bytes it writes are the same wherever in it the event
// loop gets its turn.
TEST_F(ProtectTest, YieldsOncePerTurnAndWritesAlikeWhereverTheEventLoopComesIn) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals")
        .Tag("!dns", NameOf(99))
        .Tag("weap", NameOf(999))
        .Tag("mtib", NameOf(150));
    // Four tag turns; the sound name is read to its zero byte (100 turns) and
    // wiped (100); the weapon's wiped to its zero byte (1000); the bitmap's
    // read and wiped to the cap of 100 each.
    constexpr std::uint64_t Turns = 4 + 100 + 100 + 1000 + 100 + 100;
    TempMap map(builder.Build());
    Choose(map);
    const std::uint64_t protection = testsupport::CountYields([&] { Protect(Edition::Full, "G"); });
    const std::string expected = map.Bytes();
    const std::uint64_t relisting = testsupport::CountYields([&] { Choose(map); });
    EXPECT_EQ(protection - relisting, Turns);
    for (const std::uint32_t turn : {1u, 2u, 3u, 50u, 101u, 150u, 201u, 202u, 700u, 1203u, 1204u, 1304u, 1404u}) {
        SCOPED_TRACE("event loop at yield " + std::to_string(turn));
        EXPECT_EQ(Difference(expected, [&] {
                      TempMap fresh(builder.Build());
                      Choose(fresh);
                      testsupport::EventLoopAtYield(turn);
                      Protect(Edition::Full, "G");
                      return fresh.Bytes();
                  }()),
                  "");
    }

    // The yield that ends a tag's turn comes once N has moved on: tag 0 is
    // exempt, so the first yield is that of its turn.
    TempMap fresh(builder.Build());
    Choose(fresh);
    std::int32_t nAtFirstYield = -1;
    testsupport::RunAtYield(1, [&] { nAtFirstYield = window->N; });
    Protect(Edition::Full, "G");
    EXPECT_EQ(nAtFirstYield, 1);
}
