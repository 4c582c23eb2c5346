#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Window.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SparseMaps.h"

using testmaps::Edition;
using testmaps::Int32At;
using testmaps::MapBuilder;
using testmaps::TempMap;

namespace {

// The map layout as these tests see it, spelled out apart from the engine's.
constexpr std::int64_t NamePointerAt = 0x10;
constexpr std::int64_t EntrySize = 0x20;

const std::string SoundMarker = "sound\\sfx\\ui\\";
const std::string BitmapMarker = "ui\\shell";
const std::string DamagedMessage = "This map's tag index is damaged; the map was not changed.";
const std::string TooLongMessage = "The tag message can be at most 255 bytes long.";

// `size` name bytes: `prefix`, then letters.
std::string NameOf(std::size_t size, const std::string& prefix = "") {
    std::string name = prefix;
    while (name.size() < size) name += static_cast<char>('a' + name.size() % 26);
    name.resize(size);
    return name;
}

void PutInt32(std::string& bytes, std::int64_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(offset + i)] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
}

// The zero-ended name at `offset`, at most `cap` bytes.
std::string NameAt(const std::string& bytes, std::int64_t offset, std::size_t cap) {
    std::string name;
    for (auto at = static_cast<std::size_t>(offset); at < bytes.size() && bytes[at] != '\0' && name.size() < cap; ++at)
        name += bytes[at];
    return name;
}

// What a wiped name looks like: its first `cap` non-zero bytes become zero.
void ZeroName(std::string& bytes, std::int64_t offset, std::size_t cap) {
    for (std::size_t i = 0; i < cap && bytes[static_cast<std::size_t>(offset) + i] != '\0'; ++i)
        bytes[static_cast<std::size_t>(offset) + i] = '\0';
}

// A length byte just before tag 0's name, then the text over it.
void PutReplacement(std::string& bytes, std::int64_t nameOffset, const std::string& text) {
    bytes[static_cast<std::size_t>(nameOffset - 1)] = static_cast<char>(text.size());
    bytes.replace(static_cast<std::size_t>(nameOffset), text.size(), text);
}

// Empty when the two files are equal, else where they first differ.
std::string Difference(const std::string& expected, const std::string& actual) {
    if (expected.size() != actual.size())
        return "length " + std::to_string(actual.size()) + ", expected " + std::to_string(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == actual[i]) continue;
        char text[96];
        std::snprintf(text, sizeof text, "byte 0x%zX is 0x%02X, expected 0x%02X", i,
                      static_cast<unsigned char>(actual[i]), static_cast<unsigned char>(expected[i]));
        return text;
    }
    return "";
}

class ProtectTest : public ::testing::Test {
protected:
    // Loads the map through the Load button, as a user would.
    void Load(const TempMap& map) {
        dialogs_->QueueFile(map.Path());
        Tagshroud()->Load_Action();
    }

    // Types `text` in the protect dialog and runs the protection of `edition`.
    void Protect(Edition edition, const std::string& text) {
        ProtectOptions()->Control<fw::EditField>("TagInPut")->SetText(text);
        if (edition == Edition::Full)
            Tagshroud()->Full_Protect();
        else
            Tagshroud()->Demo_Protect();
    }

    // Builds the map, loads it, protects it with `text` and gives the file's
    // bytes afterwards.
    std::string ProtectedBytes(const MapBuilder& builder, Edition edition, const std::string& text) {
        TempMap map(builder.Build());
        Load(map);
        Protect(edition, text);
        return map.Bytes();
    }

    std::vector<std::string> Rows() const {
        auto list = Tagshroud()->Control<fw::Listbox>("taglist");
        std::vector<std::string> rows;
        for (std::int32_t i = 0; i < list->RowCount(); ++i) rows.push_back(list->RowText(i));
        return rows;
    }

    testsupport::ScopedScriptedDialogs dialogs_;
};

// ---- The decision table, row by row, in both editions ----

enum class Outcome { LeftAlone, Wiped100, Wiped1000 };

struct DecisionRow {
    const char* Label;
    std::string Class;
    std::int32_t Flag;
    std::string Name;
    Outcome Full;
    Outcome Demo;
};

void PrintTo(const DecisionRow& row, std::ostream* out) { *out << row.Label; }

std::vector<DecisionRow> DecisionRows() {
    const std::string plainSound = NameOf(150, "sound\\weapons\\fire");
    const std::string plainBitmap = NameOf(150, "ui\\hud\\bitmaps\\");
    const std::string other = NameOf(1200, "weapons\\pistol\\");
    std::vector<DecisionRow> rows = {
        {"SoundFlag1", "!dns", 1, plainSound, Outcome::LeftAlone, Outcome::Wiped100},
        {"BitmapFlag1", "mtib", 1, plainBitmap, Outcome::LeftAlone, Outcome::Wiped100},
        {"SoundFlag0", "!dns", 0, plainSound, Outcome::Wiped100, Outcome::Wiped100},
        {"SoundFlag257", "!dns", 257, plainSound, Outcome::Wiped100, Outcome::Wiped100},
        {"SoundFlagMinus1", "!dns", -1, plainSound, Outcome::Wiped100, Outcome::Wiped100},
        {"SoundFlag65536", "!dns", 65536, plainSound, Outcome::Wiped100, Outcome::Wiped100},
        {"BitmapFlag257", "mtib", 257, plainBitmap, Outcome::Wiped100, Outcome::Wiped100},
        {"BitmapFlag0", "mtib", 0, plainBitmap, Outcome::Wiped100, Outcome::Wiped100},
        {"SoundMarkerInMiddle", "!dns", 0, NameOf(150, "sound\\dialog\\sound\\sfx\\ui\\click"),
         Outcome::LeftAlone, Outcome::LeftAlone},
        {"SoundMarkerAtStart", "!dns", 7, NameOf(150, "sound\\sfx\\ui\\forward"), Outcome::LeftAlone,
         Outcome::LeftAlone},
        {"BitmapMarkerInMiddle", "mtib", 0, NameOf(150, "levels\\ui\\shell\\bitmaps"), Outcome::LeftAlone,
         Outcome::LeftAlone},
        {"SoundWithBitmapMarker", "!dns", 0, NameOf(150, "sound\\ui\\shell\\"), Outcome::Wiped100,
         Outcome::Wiped100},
        {"BitmapWithSoundMarker", "mtib", 0, NameOf(150, "sound\\sfx\\ui\\"), Outcome::Wiped100,
         Outcome::Wiped100},
        {"SoundMarkerCaseDiffers", "!dns", 0, NameOf(150, "Sound\\SFX\\UI\\"), Outcome::Wiped100,
         Outcome::Wiped100},
        {"OtherClassFlag1", "weap", 1, other, Outcome::Wiped1000, Outcome::Wiped1000},
        {"OtherClassFlag0", "scnr", 0, other, Outcome::Wiped1000, Outcome::Wiped1000},
        {"OtherClassWithMarker", "weap", 0, NameOf(1200, "ui\\shell\\sound\\sfx\\ui\\"), Outcome::Wiped1000,
         Outcome::Wiped1000},
        {"ReversedGlobals", "matg", 0, other, Outcome::Wiped1000, Outcome::Wiped1000},
        {"ReversedHudMessageText", "hmt ", 0, other, Outcome::Wiped1000, Outcome::Wiped1000},
        {"ReversedSoundFlag1", "snd!", 1, NameOf(1200, "sound\\sfx\\ui\\"), Outcome::Wiped1000,
         Outcome::Wiped1000},
        {"ReversedBitmapWithMarker", "bitm", 1, NameOf(1200, "ui\\shell\\"), Outcome::Wiped1000,
         Outcome::Wiped1000},
        {"UpperCaseGlobals", "GTAM", 0, other, Outcome::Wiped1000, Outcome::Wiped1000},
        {"ExemptClassFlag1", "cgat", 1, other, Outcome::LeftAlone, Outcome::LeftAlone},
    };
    const char* exempt[] = {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh"};
    const char* labels[] = {"Exempt_gtam", "Exempt_aLeD", "Exempt_cved", "Exempt_tnof", "Exempt_blank_tmh",
                            "Exempt_luoS", "Exempt_cgat", "Exempt_rtsu", "Exempt_gbuh"};
    for (int i = 0; i < 9; ++i) rows.push_back({labels[i], exempt[i], 0, other, Outcome::LeftAlone, Outcome::LeftAlone});
    return rows;
}

class DecisionTableTest : public ProtectTest,
                          public ::testing::WithParamInterface<std::tuple<DecisionRow, Edition>> {};

// Tag 0 is exempt and keeps its name, the tag under test is tag 1, and tag 2
// of an ordinary class shows that the loop goes on after it.
TEST_P(DecisionTableTest, DecidesTheTagAsTheTableSays) {
    const auto& [row, edition] = GetParam();
    MapBuilder builder(edition);
    builder.MapName("bloodgulch").Tag("gtam", "globals\\globals").Tag(row.Class, row.Name, row.Flag).Tag("scnr", "levels\\test\\test");
    const std::string before = builder.Build();
    const std::string after = ProtectedBytes(builder, edition, "X");

    const Outcome outcome = edition == Edition::Full ? row.Full : row.Demo;
    const std::int32_t tag0Pointer = Int32At(before, builder.EntryOffset(0) + NamePointerAt);
    std::string expected = before;
    if (outcome != Outcome::LeftAlone) {
        ZeroName(expected, builder.NameOffset(1), outcome == Outcome::Wiped100 ? 100 : 1000);
        PutInt32(expected, builder.EntryOffset(1) + NamePointerAt, tag0Pointer);
    }
    ZeroName(expected, builder.NameOffset(2), 1000);
    PutInt32(expected, builder.EntryOffset(2) + NamePointerAt, tag0Pointer);
    PutReplacement(expected, builder.NameOffset(0), "X");
    EXPECT_EQ(Difference(expected, after), "");

    const std::string tag0Reads = "X" + std::string("globals\\globals").substr(1);
    const std::string tag1Reads = outcome == Outcome::LeftAlone ? row.Name.substr(0, 10000) : tag0Reads;
    EXPECT_EQ(Rows(), (std::vector<std::string>{tag0Reads, tag1Reads, tag0Reads}));
    EXPECT_EQ(dialogs_->Messages(), std::vector<std::string>{"Map Protected!"});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecisionTableTest, ::testing::Combine(::testing::ValuesIn(DecisionRows()), ::testing::Values(Edition::Full, Edition::Demo)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).Label) + (std::get<1>(info.param) == Edition::Full ? "_Full" : "_Demo");
    });

// ---- Name tests and wipe caps ----

// A bitmap's name is searched in its first 100 bytes only: the marker found
// from byte 93 on lies inside them, from byte 94 on it is cut.
TEST_F(ProtectTest, BitmapMarkerCountsOnlyInsideTheFirstHundredBytes) {
    for (const std::size_t markerAt : {93u, 94u}) {
        SCOPED_TRACE(markerAt);
        const std::string name = NameOf(markerAt - 1) + BitmapMarker + "\\main_menu";
        MapBuilder builder(Edition::Demo);
        builder.Tag("gtam", "globals\\globals").Tag("mtib", name);
        const std::string after = ProtectedBytes(builder, Edition::Demo, "");
        const bool leftAlone = markerAt == 93;
        EXPECT_EQ(NameAt(after, builder.NameOffset(1), 10000), leftAlone ? name : "");
        EXPECT_EQ(Int32At(after, builder.EntryOffset(1) + NamePointerAt) == Int32At(after, builder.EntryOffset(0) + NamePointerAt),
                  !leftAlone);
    }
}

// A sound's name is searched up to 10000 bytes: a marker far into a long name
// still exempts it.
TEST_F(ProtectTest, SoundMarkerIsFoundFarIntoALongName) {
    const std::string name = NameOf(9000) + SoundMarker;
    MapBuilder builder(Edition::Demo);
    builder.Tag("gtam", "globals\\globals").Tag("!dns", name);
    const std::string before = builder.Build();
    const std::string after = ProtectedBytes(builder, Edition::Demo, "Z");
    EXPECT_EQ(after.substr(static_cast<std::size_t>(builder.NameOffset(1))),
              before.substr(static_cast<std::size_t>(builder.NameOffset(1))));
}

struct CapRow {
    std::string Class;
    std::size_t NameSize;
    std::size_t Zeroed;
};

// Names of each size against their class's cap: exactly min(size, cap) bytes
// become zero, the rest of the name and its zero byte stay.
TEST_F(ProtectTest, WipesAtMostTheCapOfTheClass) {
    const CapRow rows[] = {
        {"!dns", 99, 99},   {"!dns", 100, 100},  {"!dns", 150, 100},   {"!dns", 1500, 100},
        {"mtib", 99, 99},   {"mtib", 100, 100},  {"mtib", 150, 100},   {"mtib", 0, 0},
        {"weap", 150, 150}, {"weap", 999, 999},  {"weap", 1000, 1000}, {"weap", 1500, 1000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Class + " " + std::to_string(row.NameSize));
        MapBuilder builder(Edition::Full);
        builder.Tag("gtam", "globals\\globals").Tag(row.Class, NameOf(row.NameSize)).Tag("tnof", "fonts\\after");
        const std::string before = builder.Build();
        const std::string after = ProtectedBytes(builder, Edition::Full, "G");

        std::string expected = before;
        expected.replace(static_cast<std::size_t>(builder.NameOffset(1)), row.Zeroed, std::string(row.Zeroed, '\0'));
        PutInt32(expected, builder.EntryOffset(1) + NamePointerAt, Int32At(before, builder.EntryOffset(0) + NamePointerAt));
        PutReplacement(expected, builder.NameOffset(0), "G");
        EXPECT_EQ(Difference(expected, after), "");
    }
}

// Bytes 0x80 to 0xFF read as negative values and are zeroed like any other.
TEST_F(ProtectTest, WipesBytesWithTheTopBitSet) {
    const std::string name = "\x80\xFF\xC3\xA9 name";
    MapBuilder builder(Edition::Demo);
    builder.Tag("gtam", "globals\\globals").Tag("weap", name);
    const std::string after = ProtectedBytes(builder, Edition::Demo, "");
    EXPECT_EQ(after.substr(static_cast<std::size_t>(builder.NameOffset(1)), name.size()), std::string(name.size(), '\0'));
}

// A name that runs up to the file's last byte with no zero byte after it:
// the wipe zeroes it to the end and reaches for nothing past it.
TEST_F(ProtectTest, WipesANameThatRunsToTheEndOfTheFile) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\last");
    std::string bytes = builder.Build();
    bytes.back() = 's';
    TempMap map(bytes);
    Load(map);
    Protect(Edition::Full, "L");

    std::string expected = bytes;
    const auto start = static_cast<std::size_t>(builder.NameOffset(1));
    expected.replace(start, expected.size() - start, std::string(expected.size() - start, '\0'));
    PutInt32(expected, builder.EntryOffset(1) + NamePointerAt, Int32At(bytes, builder.EntryOffset(0) + NamePointerAt));
    PutReplacement(expected, builder.NameOffset(0), "L");
    EXPECT_EQ(Difference(expected, map.Bytes()), "");
    EXPECT_EQ(dialogs_->Messages(), std::vector<std::string>{"Map Protected!"});
}

// ---- Tag 0 and the replacement name ----

struct Tag0Row {
    const char* Label;
    std::string Tag0Class;
    std::string Text;
    std::string Tag0ReadsAs;  // tag 0's name read back after the protection
};

// Tag 0's old name is "abcdef", and tag 1's name "next" follows it.
TEST_F(ProtectTest, ReplacementOverTag0sNameExemptOrProtected) {
    const Tag0Row rows[] = {
        {"exempt, shorter", "gtam", "xy", "xycdef"},
        {"exempt, equal", "gtam", "uvwxyz", "uvwxyz"},
        {"exempt, longer", "gtam", "0123456789", "0123456789t"},
        {"protected, shorter", "weap", "xy", "xy"},
        {"protected, equal", "weap", "uvwxyz", "uvwxyz"},
        {"protected, longer", "weap", "0123456789", "0123456789t"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Label);
        MapBuilder builder(Edition::Full);
        builder.Tag(row.Tag0Class, "abcdef").Tag("tnof", "next").Trailer(std::string(16, '\0'));
        const std::string before = builder.Build();
        const std::string after = ProtectedBytes(builder, Edition::Full, row.Text);

        std::string expected = before;
        if (row.Tag0Class == "weap") ZeroName(expected, builder.NameOffset(0), 1000);
        PutReplacement(expected, builder.NameOffset(0), row.Text);
        EXPECT_EQ(Difference(expected, after), "");
        EXPECT_EQ(NameAt(after, builder.NameOffset(0), 10000), row.Tag0ReadsAs);
        ASSERT_EQ(Rows().size(), 2u);
        EXPECT_EQ(Rows()[0], row.Tag0ReadsAs);
    }
}

// The length byte takes the place of the byte before tag 0's name, whatever
// it held; here the last byte of the last tag entry.
TEST_F(ProtectTest, LengthByteReplacesTheByteBeforeTag0sName) {
    MapBuilder builder(Edition::Demo);
    builder.Tag("gtam", "globals\\globals").Patch(builder.EntryOffset(0) + EntrySize - 1, "\x5A");
    const std::string after = ProtectedBytes(builder, Edition::Demo, "abc");
    EXPECT_EQ(after.substr(static_cast<std::size_t>(builder.NameOffset(0) - 1), 5), std::string("\x03" "abcb", 5));
}

TEST_F(ProtectTest, TwoTagsSharingANameBothPointAtTag0) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\shared").Tag("!dns", "sound\\shared", 0).ShareName(2, 1).Tag("tnof", "fonts\\x");
    const std::string before = builder.Build();
    const std::string after = ProtectedBytes(builder, Edition::Full, "S");

    const std::int32_t tag0Pointer = Int32At(before, builder.EntryOffset(0) + NamePointerAt);
    std::string expected = before;
    ZeroName(expected, builder.NameOffset(1), 1000);
    PutInt32(expected, builder.EntryOffset(1) + NamePointerAt, tag0Pointer);
    PutInt32(expected, builder.EntryOffset(2) + NamePointerAt, tag0Pointer);
    PutReplacement(expected, builder.NameOffset(0), "S");
    EXPECT_EQ(Difference(expected, after), "");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Slobals\\globals", "Slobals\\globals", "Slobals\\globals", "fonts\\x"}));
}

// A tag that shares the name of an earlier protected tag meets that name
// already wiped: its own name test then sees an empty name.
TEST_F(ProtectTest, NameTestSeesANameAnEarlierTagWiped) {
    MapBuilder builder(Edition::Demo);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "sound\\sfx\\ui\\shared").Tag("!dns", "").ShareName(2, 1);
    const std::string before = builder.Build();
    const std::string after = ProtectedBytes(builder, Edition::Demo, "");
    const std::int32_t tag0Pointer = Int32At(before, builder.EntryOffset(0) + NamePointerAt);
    EXPECT_EQ(Int32At(after, builder.EntryOffset(2) + NamePointerAt), tag0Pointer);
}

TEST_F(ProtectTest, TagCountZeroOrNegativeStillWritesTheReplacement) {
    for (const std::int32_t count : {0, -1, -2147483647 - 1}) {
        SCOPED_TRACE(count);
        testsupport::ScopedScriptedDialogs dialogs;
        MapBuilder builder(Edition::Demo);
        builder.Tag("weap", "weapons\\pistol").Tag("!dns", "sound\\x").TagCountField(count);
        const std::string before = builder.Build();
        TempMap map(before);
        dialogs->QueueFile(map.Path());
        Tagshroud()->Load_Action();
        Protect(Edition::Demo, "");

        std::string expected = before;
        PutReplacement(expected, builder.NameOffset(0), "<Protected>");
        EXPECT_EQ(Difference(expected, map.Bytes()), "");
        EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{"Map Protected!"});
        EXPECT_TRUE(Rows().empty());
    }
}

struct TextRow {
    const char* Label;
    std::string Typed;
    std::string Written;  // the length byte and the bytes after it
};

TEST_F(ProtectTest, WritesTheTypedTextAsBytesWithALengthByte) {
    const TextRow rows[] = {
        {"empty", "", "\x0B<Protected>"},
        {"one blank", " ", "\x01 "},
        {"blanks kept", "  a  ", "\x05  a  "},
        {"non-ASCII counts bytes", "Grüße", "\x07Gr\xC3\xBC\xC3\x9F" "e"},
        {"255 bytes", std::string(255, 'q'), "\xFF" + std::string(255, 'q')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Label);
        MapBuilder builder(Edition::Full);
        builder.Tag("weap", NameOf(300)).Trailer(std::string(300, '\0'));
        const std::string after = ProtectedBytes(builder, Edition::Full, row.Typed);
        const auto start = static_cast<std::size_t>(builder.NameOffset(0) - 1);
        EXPECT_EQ(after.substr(start, row.Written.size()), row.Written);
        EXPECT_EQ(after[start + row.Written.size()], '\0');
        EXPECT_EQ(Rows(), std::vector<std::string>{row.Written.substr(1)});
    }
}

// The second protection decides every tag again: tags protected the first
// time now point at tag 0's name, and wiping them wipes it.
TEST_F(ProtectTest, ProtectingAProtectedMapAgain) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals")
        .Tag("weap", "weapons\\gun")
        .Tag("!dns", "sound\\sfx\\ui\\click")
        .Tag("mtib", "ui\\hud\\ammo", 1);
    TempMap map(builder.Build());
    Load(map);
    Protect(Edition::Full, "First");
    const std::string once = map.Bytes();
    EXPECT_EQ(NameAt(once, builder.NameOffset(0), 100), "Firstls\\globals");

    Protect(Edition::Full, "AB");
    std::string expected = once;
    ZeroName(expected, builder.NameOffset(0), 1000);
    PutReplacement(expected, builder.NameOffset(0), "AB");
    EXPECT_EQ(Difference(expected, map.Bytes()), "");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"AB", "AB", "sound\\sfx\\ui\\click", "ui\\hud\\ammo"}));
    EXPECT_EQ(dialogs_->Messages(), (std::vector<std::string>{"Map Protected!", "Map Protected!"}));
}

// ---- Refusals: nothing written ----

struct DamageRow {
    const char* Label;
    MapBuilder Builder;
    std::string Text;
};

std::vector<DamageRow> DamagedMaps() {
    auto base = [] {
        MapBuilder builder(Edition::Full);
        builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\gun").Tag("!dns", "sound\\x");
        return builder;
    };
    std::vector<DamageRow> rows;
    rows.push_back({"count far larger than the file", base().TagCountField(1000000), ""});
    rows.push_back({"count of the largest Int32", base().TagCountField(2147483647), ""});
    // The 36 name bytes after the three entries hold a fourth entry, not a
    // fifth.
    rows.push_back({"last entry past the end", base().TagCountField(5), "x"});
    // An index header copied to the very end of the file: its one entry
    // would start where the file ends.
    {
        MapBuilder moved = base();
        const auto end = static_cast<std::int32_t>(moved.Build().size());
        std::string header(0x28, '\0');
        PutInt32(header, 0x00, 0x40440000 + 0x28);
        PutInt32(header, 0x0C, 1);
        rows.push_back({"entries past the end", moved.Trailer(header).IndexOffsetField(end), ""});
    }
    rows.push_back({"tag 0's name at the file's first byte", base().NamePointerField(0, 0x40440000 - 0x800), ""});
    rows.push_back({"tag 0's name before the file", base().NamePointerField(0, 0x40000000), ""});
    rows.push_back({"tag 0's name past the end", base().NamePointerField(0, 0x7FFFFFF0), ""});
    return rows;
}

TEST_F(ProtectTest, DamagedTagIndexIsRefusedBeforeAnyWrite) {
    for (auto& row : DamagedMaps()) {
        SCOPED_TRACE(row.Label);
        testsupport::ScopedScriptedDialogs dialogs;
        const std::string before = row.Builder.Build();
        TempMap map(before);
        dialogs->QueueFile(map.Path());
        Tagshroud()->Load_Action();
        const std::vector<std::string> listed = Rows();
        ProtectOptions()->Show();
        Protect(Edition::Full, row.Text);

        EXPECT_EQ(Difference(before, map.Bytes()), "");
        EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{DamagedMessage});
        EXPECT_FALSE(fw::GetImplicitWindow(ProtectOptions::FrameworkClassName));
        EXPECT_EQ(Rows(), listed);
    }
}

// The replacement may end at the file's last byte, and not one byte later.
TEST_F(ProtectTest, ReplacementMustEndInsideTheFile) {
    for (const std::string text : {"xyz", "xyzw"}) {
        SCOPED_TRACE(text);
        testsupport::ScopedScriptedDialogs dialogs;
        MapBuilder builder(Edition::Demo);
        builder.Tag("gtam", "ab");  // the file ends with "ab" and its zero byte
        const std::string before = builder.Build();
        TempMap map(before);
        dialogs->QueueFile(map.Path());
        Tagshroud()->Load_Action();
        Protect(Edition::Demo, text);

        std::string expected = before;
        if (text.size() == 3) PutReplacement(expected, builder.NameOffset(0), text);
        EXPECT_EQ(Difference(expected, map.Bytes()), "");
        EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{text.size() == 3 ? "Map Protected!" : DamagedMessage});
    }
}

TEST_F(ProtectTest, TextOverTwoHundredFiftyFiveBytesIsRefusedAndKept) {
    MapBuilder builder(Edition::Full);
    builder.Tag("gtam", "globals\\globals").Tag("weap", "weapons\\gun").Trailer(std::string(600, '\0'));
    const std::string before = builder.Build();
    TempMap map(before);
    Load(map);
    const std::string text = std::string(254, 'w') + "é";  // 256 bytes in UTF-8
    ProtectOptions()->Show();
    Protect(Edition::Full, text);

    EXPECT_EQ(Difference(before, map.Bytes()), "");
    EXPECT_EQ(dialogs_->Messages(), std::vector<std::string>{TooLongMessage});
    auto dialog = fw::GetImplicitWindow(ProtectOptions::FrameworkClassName);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Control<fw::EditField>("TagInPut")->Text(), text);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"globals\\globals", "weapons\\gun"}));
}

// The entry lies inside the file, but the stream refuses the write at its
// NamePointer field's 32-bit position: the error goes on to the caller, and
// no success is reported.
TEST_F(ProtectTest, WriteErrorRaisesAndReportsNoSuccess) {
    using Huge = testmaps::EntryBelowTwoGiB;
    const auto map = Huge::Make();
    Load(*map);
    ASSERT_EQ(Rows(), std::vector<std::string>{""});

    ProtectOptions()->Control<fw::EditField>("TagInPut")->SetText("x");
    EXPECT_THROW(Tagshroud()->Full_Protect(), fw::IOException);
    EXPECT_TRUE(dialogs_->Messages().empty());
    EXPECT_TRUE(fw::GetImplicitWindow(ProtectOptions::FrameworkClassName));

    std::ifstream file(map->Path(), std::ios::binary);
    std::string head(static_cast<std::size_t>(Huge::HeadSize), '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(Difference(Huge::Head(), head), "");
    std::string entry(static_cast<std::size_t>(Huge::FileSize - Huge::EntryOffset), '\0');
    file.seekg(Huge::EntryOffset);
    file.read(entry.data(), static_cast<std::streamsize>(entry.size()));
    EXPECT_EQ(entry, "weap" + std::string(entry.size() - 4, '\0'));
}

// ---- Many generated maps ----

struct GeneratedTag {
    std::string Class;
    std::int32_t Flag;
    std::string Name;
};

class MapGenerator {
public:
    explicit MapGenerator(unsigned seed) : random_(seed) {}

    std::string Class() {
        static const char* known[] = {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu",
                                      "gbuh", "!dns", "!dns", "!dns", "mtib", "mtib", "mtib", "matg"};
        if (Below(4) == 0) return Bytes(4, 0);
        return known[Below(std::size(known))];
    }
    std::int32_t Flag() {
        static const std::int32_t flags[] = {0, 1, 1, 257, -1, 2};
        return Below(8) < 6 ? flags[Below(6)] : static_cast<std::int32_t>(random_());
    }
    std::string Name() {
        static const std::size_t sizes[] = {0, 5, 40, 95, 100, 101, 150, 999, 1000, 1200};
        std::string name = Bytes(Below(3) ? Below(60) : sizes[Below(std::size(sizes))], 1);
        if (Below(3) == 0) {
            const std::string& marker = Below(2) ? SoundMarker : BitmapMarker;
            name.insert(Below(name.size() + 1), marker);
        }
        return name;
    }
    std::string Text() {
        if (Below(5) == 0) return "";
        std::string text;
        for (std::size_t i = 0, size = 1 + Below(40); i < size; ++i) text += static_cast<char>(' ' + Below(95));
        return text;
    }
    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

private:
    std::string Bytes(std::size_t size, int lowest) {
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(lowest + Below(static_cast<std::size_t>(256 - lowest)));
        return bytes;
    }
    std::mt19937 random_;
};

// Which tags a protection must protect, deciding them in entry order on a
// copy of the file in which each protected tag's name is wiped as it goes.
std::vector<bool> ExpectedProtected(std::string bytes, const MapBuilder& builder, int tagCount, Edition edition) {
    std::vector<bool> protectedTags;
    const std::set<std::string> exempt = {"gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh"};
    for (int tag = 0; tag < tagCount; ++tag) {
        const std::string cls = bytes.substr(static_cast<std::size_t>(builder.EntryOffset(tag)), 4);
        const std::int32_t flag = Int32At(bytes, builder.EntryOffset(tag) + 0x18);
        const std::int64_t name = builder.NameOffset(tag);
        bool wipe = !exempt.count(cls);
        std::size_t cap = 1000;
        if (cls == "!dns" || cls == "mtib") {
            cap = 100;
            const bool flagged = edition == Edition::Full && flag == 1;
            const std::string& marker = cls == "!dns" ? SoundMarker : BitmapMarker;
            wipe = !flagged && NameAt(bytes, name, cls == "!dns" ? 10000 : 100).find(marker) == std::string::npos;
        }
        if (wipe) ZeroName(bytes, name, cap);
        protectedTags.push_back(wipe);
    }
    return protectedTags;
}

TEST_F(ProtectTest, GeneratedMapsChangeOnlyNamesPointersAndTheReplacement) {
    MapGenerator generate(20260512u);
    for (int run = 0; run < 300; ++run) {
        SCOPED_TRACE("map " + std::to_string(run));
        const Edition edition = generate.Below(2) ? Edition::Full : Edition::Demo;
        MapBuilder builder(edition);
        builder.MapName("generated");
        const int tagCount = 1 + static_cast<int>(generate.Below(24));
        for (int tag = 0; tag < tagCount; ++tag) {
            const std::string cls = generate.Class();
            const std::int32_t flag = generate.Flag();
            builder.Tag(cls, generate.Name(), flag);
        }
        for (int tag = 1; tag < tagCount; ++tag)
            if (generate.Below(6) == 0) builder.ShareName(tag, static_cast<int>(generate.Below(static_cast<std::size_t>(tag))));
        builder.Trailer(std::string(300, '\0'));
        const std::string text = generate.Text();
        const std::string before = builder.Build();
        const std::vector<bool> expected = ExpectedProtected(before, builder, tagCount, edition);

        const std::string after = ProtectedBytes(builder, edition, text);
        ASSERT_EQ(after.size(), before.size());

        std::vector<bool> mayChange(before.size(), false);
        for (int tag = 0; tag < tagCount; ++tag) {
            for (std::int64_t i = 0; i < 4; ++i) mayChange[static_cast<std::size_t>(builder.EntryOffset(tag) + NamePointerAt + i)] = true;
            for (auto at = static_cast<std::size_t>(builder.NameOffset(tag)); before[at] != '\0'; ++at) mayChange[at] = true;
        }
        const std::string written = text.empty() ? "<Protected>" : text;
        const auto replacementStart = static_cast<std::size_t>(builder.NameOffset(0) - 1);
        for (std::size_t i = 0; i <= written.size(); ++i) mayChange[replacementStart + i] = true;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (!mayChange[i]) {
                ASSERT_EQ(after[i], before[i]) << "byte 0x" << std::hex << i;
            }
        }

        const std::int32_t tag0Pointer = Int32At(before, builder.EntryOffset(0) + NamePointerAt);
        for (int tag = 0; tag < tagCount; ++tag) {
            const std::int64_t field = builder.EntryOffset(tag) + NamePointerAt;
            EXPECT_EQ(Int32At(after, field), expected[static_cast<std::size_t>(tag)] ? tag0Pointer : Int32At(before, field))
                << "tag " << tag;
        }
        EXPECT_EQ(Rows().size(), static_cast<std::size_t>(tagCount));
        EXPECT_EQ(after.substr(replacementStart, 1 + written.size()), static_cast<char>(written.size()) + written);
    }
    EXPECT_EQ(dialogs_->Messages(), std::vector<std::string>(300, "Map Protected!"));
}

}  // namespace
