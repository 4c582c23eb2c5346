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
    // input, and only a load replaces br.
    fw::BinaryStream& stream = *br;
    stream.SetPosition(position);
    // The byte under the stream: ReadInt8 and WriteInt8 each move the stream
    // one byte on, so this is the position a step back from where the read
    // left it. Keeping it here spares asking the stream for a position that
    // it has only just stored.
    std::int64_t byteAt = position;
    for (std::int32_t counter = 0; counter < cap; ++counter, ++byteAt) {
        const bool nameEnds = stream.ReadInt8() == 0;
        if (!nameEnds) {
            stream.SetPosition(byteAt);
            stream.WriteInt8(0);
        }
        fw::RuntimeBackgroundTask();
        if (nameEnds) break;
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
