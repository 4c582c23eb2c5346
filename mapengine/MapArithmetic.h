#pragma once

#include <cstdint>

// Positions in a map are computed from 32-bit values read from the file, in
// two's-complement arithmetic that wraps modulo 2^32 with no overflow test,
// and only then widened with their sign to a 64-bit stream position. The
// sums are taken in uint32_t, where wrapping is defined, and converted back;
// a signed overflow never happens.
namespace maparith {

inline std::int32_t Add32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t Sub32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

inline std::int32_t Mul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// A 32-bit position widened to the stream's 64 bits: a value whose top bit
// is set becomes a negative position, not one above 2 GiB.
inline std::int64_t ToPosition(std::int32_t position32) {
    return static_cast<std::int64_t>(position32);
}

}  // namespace maparith
