#include "tests/support/SparseMaps.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace testmaps {
namespace {

void PutInt32(std::string& bytes, std::size_t offset, std::int32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
}

std::string BuiltHead() {
    MapBuilder builder(Edition::Full);
    builder.MapName("huge").IndexOffsetField(EntryBelowTwoGiB::IndexOffset);
    return builder.Build();
}

}  // namespace

std::string EntryBelowTwoGiB::Head() {
    std::string head = BuiltHead();
    head.resize(static_cast<std::size_t>(HeadSize), '\0');
    return head;
}

std::unique_ptr<TempMap> EntryBelowTwoGiB::Make() {
    auto map = std::make_unique<TempMap>(BuiltHead());
    std::filesystem::resize_file(map->Path(), static_cast<std::uintmax_t>(FileSize));

    // The tag index header: IndexPointer such that MapMagic is -0x1000, and
    // TagCount 1; then the one entry.
    std::string index(0x28 + 0x20, '\0');
    PutInt32(index, 0x00, IndexOffset + 0x28 - 0x1000);
    PutInt32(index, 0x0C, 1);
    index.replace(0x28, 4, "weap");
    std::fstream file(map->Path(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(IndexOffset);
    file.write(index.data(), static_cast<std::streamsize>(index.size()));
    if (!file) throw std::runtime_error("EntryBelowTwoGiB: cannot write " + map->Path());
    return map;
}

}  // namespace testmaps
