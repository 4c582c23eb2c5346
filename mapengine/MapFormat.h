#pragma once

#include <cstdint>
#include <string_view>

#include "mapengine/MapArithmetic.h"

// The records of a Halo map file that Tagshroud reads or rewrites. Every
// integer is a little-endian Int32; signatures, classes and names are raw
// bytes compared as they are stored.

// Head signature (`HeadMagic`): four bytes at an edition's fixed offset.
inline constexpr std::int32_t HeadMagicSize = 4;

// Tag index header (`TagIndexHeader`): 40 bytes at the file offset that the
// map header's `IndexOffset` gives; the tag entries follow it with no gap.
struct TagIndexHeader {
    // In-map address of the first tag entry, i.e. of IndexOffset + Size.
    static constexpr std::int32_t IndexPointer = 0x00;
    static constexpr std::int32_t TagCount = 0x0C;
    static constexpr std::int32_t Size = 0x28;
};
inline constexpr std::int32_t TagIndexHeaderSize = TagIndexHeader::Size;

// Tag entry (`TagEntry`): 32 bytes each, entry i at IndexOffset + 0x28 + i * 0x20.
struct TagEntry {
    // The class's four-character code stored little-endian, so bitm reads "mtib".
    static constexpr std::int32_t TagClass = 0x00;
    static constexpr std::int32_t TagClassSize = 4;
    // In-map address of the tag's name.
    static constexpr std::int32_t NamePointer = 0x10;
    // In a full-edition map, 1 exempts a sound or bitmap tag from protection.
    static constexpr std::int32_t TagFlag = 0x18;
    static constexpr std::int32_t Size = 0x20;
};
inline constexpr std::int32_t TagEntrySize = TagEntry::Size;

// Caps of the names read from a map, in bytes, the zero byte not counted.
inline constexpr std::int32_t MapNameMax = 32;
inline constexpr std::int32_t TagNameMax = 10000;
inline constexpr std::int32_t BitmapNameMax = 100;

// The two editions of the game lay out the same records; they differ only in
// where the head signature and the two map-header fields lie, and in whether
// protection looks at a tag's TagFlag.
enum class MapVariant { Full, Demo };

// Where an edition's head signature (`HeadMagic`) and the two fields of its
// map header (`MapHeader`) lie.
struct MapHeader {
    std::string_view HeadMagic;      // the 4 bytes as stored
    std::int64_t HeadMagicOffset;    // file offset of the signature
    std::int64_t IndexOffsetField;   // file offset of the map header's IndexOffset
    std::int64_t MapNameField;       // file offset of the map name (at most MapNameMax bytes)
};

inline constexpr MapHeader FullMapHeader{"daeh", 0x0, 0x10, 0x20};
inline constexpr MapHeader DemoMapHeader{"dehE", 0x2C0, 0x5EC, 0x58C};

// File position of a field of tag entry `tag`, in wrapping 32-bit arithmetic
// widened with its sign.
inline std::int64_t TagEntryPosition(std::int32_t indexOffset, std::int32_t tag, std::int32_t field = 0) {
    using namespace maparith;
    const std::int32_t entry = Add32(Add32(indexOffset, TagIndexHeaderSize), Mul32(tag, TagEntrySize));
    return ToPosition(Add32(entry, field));
}

// File position of a field of the tag index header.
inline std::int64_t TagIndexHeaderPosition(std::int32_t indexOffset, std::int32_t field) {
    return maparith::ToPosition(maparith::Add32(indexOffset, field));
}
