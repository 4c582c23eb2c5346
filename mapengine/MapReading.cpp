#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Runtime.h"
#include "mapengine/MapArithmetic.h"
#include "mapengine/MapFormat.h"
#include "shell/Tagshroud.h"

// An in-map address is its file offset plus MapMagic, which the routine that
// calls this has just derived from the map's tag index header.
std::int64_t Tagshroud::PointerToOffset(std::int32_t pointer) const {
    return maparith::ToPosition(maparith::Sub32(pointer, MapMagic));
}

// A name is read a byte at a time, as the game's tools wrote it: up to `cap`
// bytes, ending early at a zero byte, which is consumed but not kept. Every
// other byte value, 0x80 to 0xFF included, is kept as it stands. `counter` is
// the caller's loop variable (the window's N for the map name).
std::string Tagshroud::ReadCString(std::int32_t cap, std::int32_t& counter) {
    std::string name;
    ReadCString(cap, counter, name);
    return name;
}

void Tagshroud::ReadCString(std::int32_t cap, std::int32_t& counter, std::string& name) {
    // A cap of the largest Int32 would never end the loop once the counter
    // steps past it; the callers pass the small name caps.
    assert(cap < std::numeric_limits<std::int32_t>::max());
    // The stream stays the same across the yields: they deliver no user
    // input, and only a load replaces br. Its position stays in a cursor
    // until the name is read.
    fw::BinaryStream::Cursor stream(*br);
    name.clear();
    // The caller's counter follows every turn; the loop counts in a copy of
    // its own, which the yield cannot touch.
    std::int32_t turns = 0;
    counter = turns;
    while (turns < cap) {
        // Turns that each read a non-zero byte and whose yields only count
        // down run as one block: the same bytes join the name and the same
        // yields are counted as turn by turn.
        const auto most = std::min<std::uint32_t>(static_cast<std::uint32_t>(cap - turns), fw::RuntimeQuietTurns());
        if (const std::size_t block = stream.ReadNonZeroRun(most, name)) {
            turns += static_cast<std::int32_t>(block);
            counter = turns;
            fw::RuntimeCountQuietTurns(static_cast<std::uint32_t>(block));
            continue;
        }
        const std::int8_t byte = stream.ReadInt8();
        if (byte == 0)
            turns = cap;
        else
            name.push_back(static_cast<char>(byte));
        turns = maparith::Add32(turns, 1);
        counter = turns;
        fw::RuntimeBackgroundTask();
    }
}
