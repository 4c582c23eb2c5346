#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/Runtime.h"
#include "framework/Text.h"
#include "mapengine/MapArithmetic.h"
#include "mapengine/MapEditions.h"
#include "mapengine/ProtectRules.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"

namespace {

using maparith::Add32;
using maparith::Sub32;
using maparith::ToPosition;

constexpr std::int64_t Int32Size = 4;

// TempOffset: the low 32 bits of the 64-bit position of the NamePointer
// field of the entry at `entryPosition`. The redirect writes there, widened
// with its sign again.
std::int32_t NamePointerFieldOffset(std::int64_t entryPosition) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(entryPosition + TagEntry::NamePointer));
}

// Every class code is four bytes, so equality is one comparison of a known
// size, which the compiler does in place; a comparison of any length would
// call out to the library for each of the eleven codes every tag is tested
// against.
constexpr auto ClassSize = static_cast<std::size_t>(TagEntry::TagClassSize);
constexpr bool IsClassCode(std::string_view code) { return code.size() == ClassSize; }
static_assert(std::ranges::all_of(ExemptTagClasses, IsClassCode));
static_assert(std::ranges::all_of(NameTestedClasses, IsClassCode, &NameTestedClass::TagClass));

bool IsClass(const std::string& tagClass, std::string_view code) {
    return tagClass.size() == ClassSize && std::memcmp(tagClass.data(), code.data(), ClassSize) == 0;
}

bool IsExemptClass(const std::string& tagClass) {
    return std::ranges::any_of(ExemptTagClasses, [&](std::string_view code) { return IsClass(tagClass, code); });
}

const NameTestedClass* FindNameTestedClass(const std::string& tagClass) {
    const auto* found = std::ranges::find_if(
        NameTestedClasses, [&](const NameTestedClass& tested) { return IsClass(tagClass, tested.TagClass); });
    return found != NameTestedClasses.end() ? found : nullptr;
}

// Reads the entry's TagFlag with the stream just past its class, and leaves
// the stream there again.
std::int32_t ReadTagFlag(fw::BinaryStream& stream) {
    stream.SetPosition(stream.Position() - TagEntry::TagClassSize + TagEntry::TagFlag);
    const std::int32_t flag = stream.ReadInt32();
    stream.SetPosition(stream.Position() + TagEntry::TagClassSize - (TagEntry::TagFlag + Int32Size));
    return flag;
}

// Whether `size` bytes from `start` lie inside a file of `length` bytes.
bool LiesInFile(std::int64_t start, std::int64_t size, std::int64_t length) {
    return start >= 0 && start <= length && size <= length - start;
}

}  // namespace

void Tagshroud::Full_Protect() { ProtectMap(FullEdition); }

void Tagshroud::Demo_Protect() { ProtectMap(DemoEdition); }

void Tagshroud::ProtectMap(const MapEdition& edition) {
    ReadProtectionIndex(edition);
    const std::int64_t length = br->Length();
    if (!ProtectionMayWrite(length)) return;
    // One buffer serves the name test of every tag.
    std::string name;
    N = 0;
    while (N < TagCount) {
        ProtectTag(edition, name);
        N = Add32(N, 1);
        fw::RuntimeBackgroundTask();
    }
    WriteReplacementName();
    ExpectLengthUnchanged(length);
    fw::MsgBox(std::string(ProtectedReport));
    ProtectOptions()->Close();
    Control<fw::Listbox>("taglist")->DeleteAllRows();
    (this->*edition.Load)();
}

// Every value is read again from the file: a protection takes nothing over
// from the last listing.
void Tagshroud::ReadProtectionIndex(const MapEdition& edition) {
    br->SetPosition(edition.Header.IndexOffsetField);
    IndexOffset = br->ReadInt32();
    ReadIndexHeader();
    // Tag 0's NamePointer, at IndexOffset + 0x38.
    br->SetPosition(TagEntryPosition(IndexOffset, 0, TagEntry::NamePointer));
    TempData = br->ReadInt32();
}

// A damaged map is never made worse: unless every tag entry that the loop may
// rewrite and the whole replacement name lie inside the file, nothing is
// written. The replacement is taken from the field here only to be measured;
// it is written from the field as it stands after the loop.
bool Tagshroud::ProtectionMayWrite(std::int64_t length) {
    const std::string replacement =
        ReplacementName(ProtectOptions()->Control<fw::EditField>("TagInPut")->Text());
    if (replacement.size() > ReplacementNameMax) {
        fw::MsgBox(std::string(ReplacementTooLongMessage));
        return false;
    }
    if (!TagIndexLiesInFile(length, static_cast<std::int64_t>(replacement.size()))) {
        fw::MsgBox(std::string(DamagedIndexMessage));
        ProtectOptions()->Close();
        return false;
    }
    return true;
}

// The check takes exactly the positions that the writes will use: each
// entry's NamePointer field as TempOffset keeps it, in 32 bits, and the
// replacement's length byte. (A wipe writes only non-zero bytes that it has
// read, so only bytes inside the file.) A count larger than the file can hold
// entries fails at once, so the check costs no more than the loop it guards.
bool Tagshroud::TagIndexLiesInFile(std::int64_t length, std::int64_t replacementSize) {
    if (TagCount > 0 && TagCount > length / TagEntrySize) return false;
    for (std::int32_t tag = 0; tag < TagCount; ++tag) {
        const std::int64_t entry = TagEntryPosition(IndexOffset, tag);
        if (!LiesInFile(entry, TagEntrySize, length) ||
            !LiesInFile(ToPosition(NamePointerFieldOffset(entry)), Int32Size, length))
            return false;
    }
    const std::int64_t lengthByte = ToPosition(Sub32(Sub32(TempData, MapMagic), 1));
    return LiesInFile(lengthByte, 1 + replacementSize, length);
}

// A map that another program shortened (or grew) while it was protected may
// have lost writes that met no fault: the last page past a new end takes
// stores silently. Success is then not reported.
void Tagshroud::ExpectLengthUnchanged(std::int64_t length) {
    if (br->Length() != length)
        throw fw::IOException(std::string(LengthChangedMessage));
}

// Decides tag N and protects it unless its class, its flag (in an edition
// that tests it) or its name exempts it; a name tested is read into `name`.
void Tagshroud::ProtectTag(const MapEdition& edition, std::string& name) {
    br->SetPosition(TagEntryPosition(IndexOffset, N));
    const std::string tagClass = br->Read(TagEntry::TagClassSize);
    std::optional<std::int32_t> flag;
    if (edition.TestsTagFlag) flag = ReadTagFlag(*br);
    if (IsExemptClass(tagClass)) return;

    const NameTestedClass* tested = FindNameTestedClass(tagClass);
    if (!tested) {
        ReadNamePointerField();
        WipeCString(PointerToOffset(NamePointer), OtherWipeMax);
        RedirectName();
        return;
    }
    if (flag == ExemptingTagFlag) return;
    ReadNamePointerField();
    br->SetPosition(PointerToOffset(NamePointer));
    std::int32_t counter = 0;
    ReadCString(tested->NameCap, counter, name);
    if (fw::InStr(name, 0, tested->Marker) > 0) return;
    WipeCString(PointerToOffset(NamePointer), tested->WipeCap);
    RedirectName();
}

// With the stream just past the entry's class: remembers where the entry's
// NamePointer field lies and reads it.
void Tagshroud::ReadNamePointerField() {
    TempOffset = NamePointerFieldOffset(br->Position() - TagEntry::TagClassSize);
    br->SetPosition(TempOffset);
    NamePointer = br->ReadInt32();
}
