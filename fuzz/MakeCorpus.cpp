// Writes the fuzzer's seed corpus into the folder named on the command line:
// a few well-formed maps of both editions and damaged ones, each with the
// text typed in the protect dialog in front (the harness's input form).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/MapHarness.h"
#include "tests/support/MapBuilder.h"

namespace {

using testmaps::Edition;
using testmaps::MapBuilder;

// One tag of each kind the protection tells apart.
MapBuilder Typical(Edition edition) {
    MapBuilder map(edition);
    map.MapName("bloodgulch")
        .Tag("gtam", "globals\\globals")
        .Tag("!dns", "sound\\sfx\\ui\\cursor")
        .Tag("!dns", "sound\\weapons\\pistol\\fire", 1)
        .Tag("!dns", "sound\\vehicles\\warthog\\engine")
        .Tag("mtib", "ui\\shell\\bitmaps\\background")
        .Tag("mtib", "characters\\cyborg\\bitmaps\\armor", 1)
        .Tag("mtib", "levels\\bloodgulch\\bitmaps\\rock")
        .Tag("ihcw", "weapons\\pistol\\pistol")
        .Tag("rtsu", "ui\\shell\\strings\\main_menu")
        .ShareName(8, 7);
    return map;
}

struct Seed {
    const char* File;
    std::string Text;
    std::string Map;
};

std::vector<Seed> Seeds() {
    std::vector<Seed> seeds;
    seeds.push_back({"full-valid", "Guarded", Typical(Edition::Full).Build()});
    seeds.push_back({"demo-valid", "", Typical(Edition::Demo).Build()});
    seeds.push_back({"full-utf8-text", "Gesch\xC3\xBCtzt \xE2\x9C\x93", Typical(Edition::Full).Build()});
    seeds.push_back({"full-text-over-255", std::string(300, 'x'), Typical(Edition::Full).Build()});
    seeds.push_back({"full-huge-tagcount", "", Typical(Edition::Full).TagCountField(0x7FFFFFFF).Build()});
    seeds.push_back({"demo-negative-tagcount", "n", Typical(Edition::Demo).TagCountField(-5).Build()});
    seeds.push_back({"full-negative-indexoffset", "", Typical(Edition::Full).IndexOffsetField(-0x100).Build()});
    seeds.push_back({"demo-wrapping-indexoffset", "", Typical(Edition::Demo).IndexOffsetField(0x7FFFFFF0).Build()});

    MapBuilder outside = Typical(Edition::Full);
    outside.NamePointerField(1, 0x7FFFFFF0).NamePointerField(3, outside.MapMagic() - 0x100);
    seeds.push_back({"full-names-outside", "", outside.Build()});

    // Tag 0's name in the last three bytes: the replacement crosses the end.
    MapBuilder crossing = Typical(Edition::Full);
    const auto size = static_cast<std::int32_t>(crossing.Build().size());
    crossing.NamePointerField(0, crossing.MapMagic() + size - 3);
    seeds.push_back({"full-replacement-crossing-end", "twenty bytes of text", crossing.Build()});

    // Names that point into the tag index itself, so wipes reach other
    // entries' fields.
    MapBuilder overlapping = Typical(Edition::Demo);
    overlapping.NamePointerField(2, overlapping.MapMagic() + static_cast<std::int32_t>(overlapping.EntryOffset(3)))
        .NamePointerField(4, overlapping.MapMagic() + static_cast<std::int32_t>(overlapping.EntryOffset(5) + 0x0E));
    seeds.push_back({"demo-names-in-index", "x", overlapping.Build()});

    seeds.push_back({"full-signature-only", "", std::string("daeh")});
    seeds.push_back({"not-a-map", "", std::string("dae")});
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    for (const Seed& seed : Seeds()) {
        std::ofstream out(folder / seed.File, std::ios::binary | std::ios::trunc);
        out << mapfuzz::JoinInput({seed.Text, seed.Map});
        if (!out) {
            std::fprintf(stderr, "%s could not be written\n", seed.File);
            return 1;
        }
    }
    return 0;
}
