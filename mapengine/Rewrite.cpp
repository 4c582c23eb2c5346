#include <algorithm>
#include <cstdint>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Runtime.h"
#include "mapengine/MapArithmetic.h"
#include "mapengine/ProtectRules.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"

// Zeroes each non-zero byte of the name at `position`, at most `cap` of them.
// The name's own zero byte is read but never rewritten, and nothing from
// `position` + `cap` on is touched.
void Tagshroud::WipeCString(std::int64_t position, std::int32_t cap) {
    // The stream stays the same across the yields: they deliver no user
    // input, and only a load replaces br. Its position stays in a cursor
    // until the name is wiped.
    fw::BinaryStream::Cursor stream(*br);
    stream.SetPosition(position);
    std::int32_t counter = 0;
    while (counter < cap) {
        // Turns that each zero a non-zero byte and whose yields only count
        // down run as one block, with the same bytes read and zeroed.
        const auto most = std::min<std::uint32_t>(static_cast<std::uint32_t>(cap - counter), fw::RuntimeQuietTurns());
        if (const std::size_t block = stream.ZeroNonZeroRun(most)) {
            counter += static_cast<std::int32_t>(block);
            fw::RuntimeCountQuietTurns(static_cast<std::uint32_t>(block));
            continue;
        }
        const bool nameEnds = stream.ReadInt8() == 0;
        if (!nameEnds) {
            stream.SetPosition(stream.Position() - 1);
            stream.WriteInt8(0);
        }
        fw::RuntimeBackgroundTask();
        if (nameEnds) break;
        ++counter;
    }
}

// Points the current entry at tag 0's name.
void Tagshroud::RedirectName() {
    br->SetPosition(TempOffset);
    br->WriteInt32(TempData);
}

// Writes the typed text, or ProtectedName for an empty field, as a length byte
// just before tag 0's name and the text's bytes over that name, with no zero
// byte after them. The text is taken only now, after the tag loop.
void Tagshroud::WriteReplacementName() {
    br->SetPosition(maparith::ToPosition(maparith::Sub32(maparith::Sub32(TempData, MapMagic), 1)));
    const std::string typed = ProtectOptions()->Control<fw::EditField>("TagInPut")->Text();
    br->WritePString(ReplacementName(typed));
}
