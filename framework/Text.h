#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Texts are byte strings: bytes read from a map and literals of the program
// alike. Equality, concatenation and search are those of std::string: exact
// bytes, case-sensitive.
namespace fw {

// The decimal text of a signed 32-bit value, with a leading '-' when negative.
std::string Str(std::int32_t value);

// The 1-based position of the first occurrence of `sought` in `text` at or
// after the 1-based position `start` (0 and 1 both mean the first byte), or 0
// when it does not occur. An empty `sought` is never found.
std::int32_t InStr(std::string_view text, std::int32_t start, std::string_view sought);

}  // namespace fw
