#include <cstdint>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Runtime.h"
#include "framework/Text.h"
#include "mapengine/MapArithmetic.h"
#include "mapengine/MapEditions.h"
#include "shell/Tagshroud.h"

void Tagshroud::Full_Load() { ListMap(FullEdition); }

void Tagshroud::Demo_Load() { ListMap(DemoEdition); }

// Lists the map open in `br`: its name becomes the title (before anything of
// the tag index is read), the label shows the tag count (before the first
// row), and each tag's name becomes one row, in entry order. The caller has
// emptied the list; this only appends to it.
void Tagshroud::ListMap(const MapEdition& edition) {
    br->SetPosition(edition.Header.IndexOffsetField);
    IndexOffset = br->ReadInt32();

    br->SetPosition(edition.Header.MapNameField);
    const std::string mapName = ReadCString(MapNameMax, N);
    ::Tagshroud()->SetTitle(mapName);

    ReadIndexHeader();
    Control<fw::StaticText>("tagcount_disp")->SetText("Tag Count: " + fw::Str(TagCount));

    // A damaged TagCount may claim far more tags than the file holds; the
    // listing stops at the last whole entry that lies inside the file.
    const std::int64_t entriesInFile = WholeTagEntriesInFile();
    // One buffer serves every tag's name: the list keeps a copy of each row.
    std::string name;
    N = 0;
    while (N < TagCount && N < entriesInFile) {
        ListTag(name);
        N = maparith::Add32(N, 1);
        fw::RuntimeBackgroundTask();
    }

    Control<fw::PushButton>("Load")->SetDefault(false);
    auto prot = Control<fw::PushButton>("Prot");
    prot->SetEnabled(true);
    prot->SetDefault(true);
}

// Derives the address translation and the tag count from the tag index
// header at IndexOffset.
void Tagshroud::ReadIndexHeader() {
    using namespace maparith;
    br->SetPosition(TagIndexHeaderPosition(IndexOffset, TagIndexHeader::IndexPointer));
    const std::int32_t indexPointer = br->ReadInt32();
    IndexMagic = Sub32(indexPointer, TagIndexHeaderSize);
    MapMagic = Sub32(IndexMagic, IndexOffset);

    br->SetPosition(TagIndexHeaderPosition(IndexOffset, TagIndexHeader::TagCount));
    TagCount = br->ReadInt32();
}

// Appends the name of tag N to the list, read into `name`.
void Tagshroud::ListTag(std::string& name) {
    br->SetPosition(TagEntryPosition(IndexOffset, N));
    br->Read(TagEntry::TagClassSize);  // the class: the listing shows names only
    br->SetPosition(br->Position() + (TagEntry::NamePointer - (TagEntry::TagClass + TagEntry::TagClassSize)));
    NamePointer = br->ReadInt32();

    br->SetPosition(PointerToOffset(NamePointer));
    std::int32_t nameBytes = 0;
    ReadCString(TagNameMax, nameBytes, name);
    Control<fw::Listbox>("taglist")->AddRow(name);
}

// How many whole tag entries the file holds from the first entry's position
// to its end; none when that position lies outside the file.
std::int64_t Tagshroud::WholeTagEntriesInFile() {
    const std::int64_t first = TagEntryPosition(IndexOffset, 0);
    const std::int64_t length = br->Length();
    if (first < 0 || first >= length) return 0;
    return (length - first) / TagEntrySize;
}
