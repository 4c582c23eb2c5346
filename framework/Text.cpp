#include "framework/Text.h"

namespace fw {

std::string Str(std::int32_t value) {
    // Widening first keeps the magnitude of INT32_MIN representable.
    return std::to_string(static_cast<std::int64_t>(value));
}

std::int32_t InStr(std::string_view text, std::int32_t start, std::string_view sought) {
    if (sought.empty()) return 0;
    const std::size_t from = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
    if (from >= text.size()) return 0;
    const std::size_t found = text.find(sought, from);
    // A text longer than INT32_MAX bytes cannot report a position past it.
    if (found == std::string_view::npos || found >= static_cast<std::size_t>(INT32_MAX)) return 0;
    return static_cast<std::int32_t>(found + 1);
}

}  // namespace fw
