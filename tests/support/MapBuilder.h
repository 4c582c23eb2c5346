#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Lays out small, realistic Halo maps of either edition for tests, and keeps
// them in temporary files. The layout is independent of the engine's own
// format constants, so that a wrong constant there cannot hide behind the
// same wrong constant here.
//
// Layout: a header of 0x800 bytes (Full: "daeh" at 0, IndexOffset at 0x10,
// map name at 0x20; Demo: "dehE" at 0x2C0, map name at 0x58C, IndexOffset at
// 0x5EC), then the 40-byte tag index header at 0x800, the 32-byte tag entries,
// and the tag names, each zero-terminated, one after another.
namespace testmaps {

enum class Edition { Full, Demo };

// Names the edition in test output, where it would otherwise show as bytes.
inline void PrintTo(Edition edition, std::ostream* out) { *out << (edition == Edition::Full ? "Full" : "Demo"); }

struct TagRow {
    std::string Class;      // the 4 bytes as stored, e.g. "mtib" for a bitmap, "!dns" for a sound
    std::string Name;       // name bytes (no terminator; the builder adds the zero byte)
    std::int32_t Flag = 0;  // the entry's TagFlag (+0x18)
};

class MapBuilder {
public:
    explicit MapBuilder(Edition edition);

    // Written at the edition's name field, zero-ended. Bytes beyond the
    // field's 32 are written too (to test the cap); the header's own fields
    // are written afterwards and win where they overlap.
    MapBuilder& MapName(std::string name);
    // Appends one tag; `cls` is padded with blanks or cut to 4 bytes.
    MapBuilder& Tag(std::string cls, std::string name, std::int32_t flag = 0);
    MapBuilder& Tags(const std::vector<TagRow>& tags);
    // Tag `tag` points at `withTag`'s name; its own name is not stored.
    MapBuilder& ShareName(int tag, int withTag);

    // Overrides of stored fields, for damaged maps. The layout stays the
    // same: only the stored value changes.
    MapBuilder& TagCountField(std::int32_t count);
    MapBuilder& IndexOffsetField(std::int32_t v);
    MapBuilder& NamePointerField(int tag, std::int32_t v);
    MapBuilder& IndexPointerField(std::int32_t v);

    // Bytes appended after everything.
    MapBuilder& Trailer(std::string bytes);
    // Bytes written over the built file at `offset` (the file grows when
    // they reach past its end); applied last, in the order given.
    MapBuilder& Patch(std::int64_t offset, std::string bytes);

    // The whole file.
    std::string Build() const;

    // Layout facts of the built map, for assertions (file offsets).
    std::int64_t IndexOffset() const;
    std::int64_t EntryOffset(int tag) const;
    std::int64_t NameOffset(int tag) const;
    std::int32_t MapMagic() const;

    // Where this edition keeps its header fields.
    std::int64_t IndexOffsetFieldOffset() const;
    std::int64_t MapNameFieldOffset() const;
    int TagCount() const { return static_cast<int>(tags_.size()); }

private:
    int NameOwner(int tag) const;
    std::int64_t NamesOffset() const;

    Edition edition_;
    std::string mapName_;
    std::vector<TagRow> tags_;
    std::map<int, int> sharedNames_;
    std::map<int, std::int32_t> namePointerOverrides_;
    std::optional<std::int32_t> tagCountOverride_;
    std::optional<std::int32_t> indexOffsetOverride_;
    std::optional<std::int32_t> indexPointerOverride_;
    std::string trailer_;
    std::vector<std::pair<std::int64_t, std::string>> patches_;
};

// A temporary file holding `bytes`, removed when the object goes.
class TempMap {
public:
    explicit TempMap(const std::string& bytes, const std::string& suffix = ".map");
    ~TempMap();
    TempMap(const TempMap&) = delete;
    TempMap& operator=(const TempMap&) = delete;

    const std::string& Path() const { return path_; }
    // The file's current bytes.
    std::string Bytes() const;

private:
    std::string path_;
};

// Little-endian Int32 of a byte string at `offset` (tests read fields back).
std::int32_t Int32At(const std::string& bytes, std::int64_t offset);

}  // namespace testmaps
