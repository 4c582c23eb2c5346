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
    // A cap of the largest Int32 would never end the loop once the counter
    // steps past it; the callers pass the small name caps.
    assert(cap < std::numeric_limits<std::int32_t>::max());
    std::string name;
    counter = 0;
    while (counter < cap) {
        if (br->ReadInt8() == 0) {
            counter = cap;
        } else {
            br->SetPosition(br->Position() - 1);
            name += br->Read(1);
        }
        counter = maparith::Add32(counter, 1);
        fw::RuntimeBackgroundTask();
    }
    return name;
}
