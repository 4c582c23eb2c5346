#pragma once

#include <cstdint>
#include <memory>

#include "tests/support/MapBuilder.h"

namespace testmaps {

// A full-edition map of just over 2 GiB, sparse so that it costs no disk,
// with two tag entries of class "weap" just below 2 GiB. Both lie inside the
// file, but the second one's NamePointer field starts at 2 GiB + 8, whose
// position kept in 32 bits is negative: a protection could not redirect that
// tag. MapMagic is -0x1000, so tag 0's name (pointer 0) lies at 0x1000 and
// tag 1's (pointer 0x10) at 0x1010.
struct EntriesAtTwoGiB {
    static constexpr std::int32_t IndexOffset = 0x7FFFFFB0;
    static constexpr std::int64_t EntriesOffset = std::int64_t{IndexOffset} + 0x28;
    static constexpr std::int64_t FileSize = 0x80000040;
    static constexpr std::int64_t HeadSize = 0x2000;  // the start of the file tests compare

    // Makes the file; `Head` is its first HeadSize bytes.
    static std::unique_ptr<TempMap> Make();
    static std::string Head();
};

}  // namespace testmaps
