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
    // input, and only a load replaces br.
    fw::BinaryStream& stream = *br;
    // The bytes gather in a buffer of the loop's own and join the name a run
    // at a time: growing the string byte by byte costs more than reading the
    // byte, and a buffer nothing else can reach stays in fast memory.
    char run[64];
    std::size_t inRun = 0;
    name.clear();
    // The caller's counter follows every turn; the loop counts in a copy of
    // its own, which the yield cannot touch.
    std::int32_t turns = 0;
    counter = turns;
    while (turns < cap) {
        // A non-zero byte is kept as read: stepping back and reading it again
        // as a one-byte string would give the same byte and leave the stream
        // where it stands now, at twice the cost.
        const std::int8_t byte = stream.ReadInt8();
        if (byte == 0) {
            turns = cap;
        } else {
            run[inRun++] = static_cast<char>(byte);
            if (inRun == sizeof run) {
                name.append(run, inRun);
                inRun = 0;
            }
        }
        turns = maparith::Add32(turns, 1);
        counter = turns;
        fw::RuntimeBackgroundTask();
    }
    name.append(run, inRun);
}
