// Writes the map that the end-to-end test loads and protects through the
// program's windows, and beside it the bytes that the map must hold once it
// has been protected with the given replacement text.
//
// Usage: make_e2e_map <map file> <expected file> <map name> <replacement text>
//
// The expected bytes are worked out here from the builder's layout facts
// (where each entry and each name lies, and the map's address offset), not
// from the program's own format constants, so a wrong constant in the program
// shows up as a difference in the file.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/MapBuilder.h"

namespace {

using testmaps::Edition;
using testmaps::Int32At;
using testmaps::MapBuilder;

// Where a tag entry keeps the in-map address of its name.
constexpr std::int64_t NamePointerAt = 0x10;
// Most name bytes that protection zeroes, by class.
constexpr std::size_t SoundBitmapWipeMax = 100;
constexpr std::size_t OtherWipeMax = 1000;
constexpr std::size_t PStringMax = 255;

struct E2eTag {
    std::string Class;  // as stored
    std::string Name;
    std::int32_t Flag;
    bool Protected;     // what the protection must decide for it
};

// Tag 0 is of a plain class, so its name is wiped before the replacement is
// written over it. The exempt class, the shell bitmap and, in a full-edition
// map, the sound whose flag is 1 keep their names; a flag of 1 on a plain
// class exempts nothing.
const std::vector<E2eTag> Tags = {
    {"rncs", "levels\\test\\e2e\\e2e_scenario", 0, true},
    {"gtam", "globals\\globals", 0, false},
    {"mtib", "ui\\shell\\bitmaps\\cursor", 0, false},
    {"ihcs", "levels\\test\\e2e\\shaders\\ground", 1, true},
    {"!dns", "sound\\e2e\\flagged", 1, false},
    {"2dom", "weapons\\e2e\\gun", 0, true},
    {"mtib", "levels\\test\\e2e\\bitmaps\\sky", 0, true},
};

void PutInt32(std::string& bytes, std::int64_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes.at(static_cast<std::size_t>(offset + i)) = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::int32_t AddressOf(const MapBuilder& builder, std::int64_t fileOffset) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(fileOffset) +
                                     static_cast<std::uint32_t>(builder.MapMagic()));
}

MapBuilder BuildMap(const std::string& mapName) {
    MapBuilder builder(Edition::Full);
    builder.MapName(mapName);
    for (const auto& tag : Tags) builder.Tag(tag.Class, tag.Name, tag.Flag);
    return builder;
}

// The builder's own pointers must lead to its names, or the expectation below
// would be built on a wrong layout.
void CheckLayout(const MapBuilder& builder, const std::string& bytes) {
    for (int i = 0; i < builder.TagCount(); ++i) {
        const auto& name = Tags[static_cast<std::size_t>(i)].Name;
        if (Int32At(bytes, builder.EntryOffset(i) + NamePointerAt) != AddressOf(builder, builder.NameOffset(i)) ||
            bytes.compare(static_cast<std::size_t>(builder.NameOffset(i)), name.size() + 1, name + '\0') != 0)
            throw std::logic_error("the built map does not hold tag " + std::to_string(i) + " where expected");
    }
}

std::string ProtectedBytes(const MapBuilder& builder, std::string bytes, const std::string& text) {
    const std::int32_t tag0Name = AddressOf(builder, builder.NameOffset(0));
    for (int i = 0; i < builder.TagCount(); ++i) {
        const auto& tag = Tags[static_cast<std::size_t>(i)];
        if (!tag.Protected) continue;
        const bool soundOrBitmap = tag.Class == "mtib" || tag.Class == "!dns";
        const std::size_t wiped = std::min(tag.Name.size(), soundOrBitmap ? SoundBitmapWipeMax : OtherWipeMax);
        bytes.replace(static_cast<std::size_t>(builder.NameOffset(i)), wiped, wiped, '\0');
        PutInt32(bytes, builder.EntryOffset(i) + NamePointerAt, tag0Name);
    }
    // One length byte just before tag 0's name, then the text, unterminated.
    const std::string replacement = text.empty() ? std::string("<Protected>") : text;
    const auto at = static_cast<std::size_t>(builder.NameOffset(0) - 1);
    bytes.replace(at, replacement.size() + 1, std::string(1, static_cast<char>(replacement.size())) + replacement);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: " << argv[0] << " <map file> <expected file> <map name> <replacement text>\n";
        return 2;
    }
    const std::string mapName = argv[3];
    const std::string text = argv[4];
    try {
        if (mapName.empty() || mapName.size() >= 32) throw std::invalid_argument("the map name must be 1 to 31 bytes");
        // A longer text would run past tag 0's name into the next one, which
        // this expectation does not model.
        if (text.size() > Tags[0].Name.size() || text.size() > PStringMax)
            throw std::invalid_argument("the replacement text must be no longer than tag 0's name");

        const MapBuilder builder = BuildMap(mapName);
        const std::string original = builder.Build();
        CheckLayout(builder, original);
        const std::string expected = ProtectedBytes(builder, original, text);
        if (expected.size() != original.size() || expected == original)
            throw std::logic_error("the expected bytes do not differ from the map's");

        WriteFile(argv[1], original);
        WriteFile(argv[2], expected);
    } catch (const std::exception& error) {
        std::cerr << argv[0] << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
