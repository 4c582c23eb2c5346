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
    builder.MapName("huge")
        .IndexOffsetField(EntriesAtTwoGiB::IndexOffset)
        .Patch(0x1000, std::string("first\0", 6))
        .Patch(0x1010, std::string("second\0", 7));
    return builder.Build();
}

}  // namespace

std::string EntriesAtTwoGiB::Head() {
    std::string head = BuiltHead();
    head.resize(static_cast<std::size_t>(HeadSize), '\0');
    return head;
}

std::unique_ptr<TempMap> EntriesAtTwoGiB::Make() {
    auto map = std::make_unique<TempMap>(BuiltHead());
    std::filesystem::resize_file(map->Path(), static_cast<std::uintmax_t>(FileSize));

    // The tag index header: IndexPointer such that MapMagic is -0x1000, and
    // TagCount 2; then the two entries.
    std::string index(0x28 + 2 * 0x20, '\0');
    PutInt32(index, 0x00, IndexOffset + 0x28 - 0x1000);
    PutInt32(index, 0x0C, 2);
    index.replace(0x28, 4, "weap");
    index.replace(0x48, 4, "weap");
    PutInt32(index, 0x48 + 0x10, 0x10);
    std::fstream file(map->Path(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(IndexOffset);
    file.write(index.data(), static_cast<std::streamsize>(index.size()));
    if (!file) throw std::runtime_error("EntriesAtTwoGiB: cannot write " + map->Path());
    return map;
}

}  // namespace testmaps
