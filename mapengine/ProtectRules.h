#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mapengine/MapFormat.h"  // TagNameMax, BitmapNameMax

// What a protection leaves alone, how much of a name it wipes, and what it
// writes in place of tag 0's name. Class codes are the four bytes as stored in
// a tag entry (the little-endian code bitm is stored "mtib").

// Tags of these classes are never protected, tested in this order: matg,
// DeLa, devc, font, hmt (with a trailing blank), Soul, tagc, ustr, hubg.
inline constexpr std::array<std::string_view, 9> ExemptTagClasses = {
    "gtam", "aLeD", "cved", "tnof", " tmh", "luoS", "cgat", "rtsu", "gbuh"};

inline constexpr std::string_view SoundTagClass = "!dns";
inline constexpr std::string_view BitmapTagClass = "mtib";

// A sound tag whose name holds this anywhere belongs to the user interface and
// is left alone; likewise a bitmap tag with UiBitmapMarker.
inline constexpr std::string_view UiSoundMarker = "sound\\sfx\\ui\\";
inline constexpr std::string_view UiBitmapMarker = "ui\\shell";

// Caps of the wipe of a protected tag's name.
inline constexpr std::int32_t SoundBitmapWipeMax = 100;
inline constexpr std::int32_t OtherWipeMax = 1000;

// In an edition that tests it, a sound or bitmap tag whose TagFlag, taken as a
// whole Int32, equals this is left alone before its name is read.
inline constexpr std::int32_t ExemptingTagFlag = 1;

// A class whose tags are decided by a test of their name.
struct NameTestedClass {
    std::string_view TagClass;
    std::string_view Marker;  // found anywhere in the name: left alone
    std::int32_t NameCap;     // most bytes of the name searched
    std::int32_t WipeCap;     // most bytes zeroed when protected
};

inline constexpr std::array<NameTestedClass, 2> NameTestedClasses = {{
    {SoundTagClass, UiSoundMarker, TagNameMax, SoundBitmapWipeMax},
    {BitmapTagClass, UiBitmapMarker, BitmapNameMax, SoundBitmapWipeMax},
}};

// The replacement name written when the dialog's field is empty.
inline constexpr std::string_view ProtectedName = "<Protected>";

// One length byte counts the replacement name's bytes.
inline constexpr std::size_t ReplacementNameMax = 255;

inline constexpr std::string_view ProtectedReport = "Map Protected!";
inline constexpr std::string_view ReplacementTooLongMessage =
    "The tag message can be at most 255 bytes long.";
inline constexpr std::string_view DamagedIndexMessage =
    "This map's tag index is damaged; the map was not changed.";
inline constexpr std::string_view LengthChangedMessage =
    "Another program changed the map's length while it was being protected; the protection may be incomplete.";

// The name written over tag 0's name for the text typed in the dialog.
inline std::string ReplacementName(const std::string& typed) {
    return typed.empty() ? std::string(ProtectedName) : typed;
}
