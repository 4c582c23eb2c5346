#pragma once

#include <cstdint>
#include <memory>

#include "tests/support/MapBuilder.h"

namespace testmaps {

// A full-edition map of just over 2 GiB, sparse so that it costs no disk,
// whose one tag entry (class "weap", name pointer 0) starts 8 bytes below
// 2 GiB. The entry lies inside the file, but its NamePointer field's position
// taken in 32 bits is negative, so a protection's write there is refused by
// the stream. MapMagic is -0x1000, tag 0's name pointer (read in 32 bits at
// a negative position) is 0, and the bytes at 0x1000 are zero.
struct EntryBelowTwoGiB {
    static constexpr std::int32_t IndexOffset = 0x7FFFFFD0;
    static constexpr std::int64_t EntryOffset = std::int64_t{IndexOffset} + 0x28;
    static constexpr std::int64_t FileSize = 0x80000040;
    static constexpr std::int64_t HeadSize = 0x2000;  // the start of the file tests compare

    // Makes the file; `Head` is its first HeadSize bytes.
    static std::unique_ptr<TempMap> Make();
    static std::string Head();
};

}  // namespace testmaps
