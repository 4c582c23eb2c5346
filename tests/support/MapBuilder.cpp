#include "tests/support/MapBuilder.h"

#include <atomic>
#include <cassert>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testmaps {
namespace {

// The layout of the maps this builder writes, spelled out on its own.
constexpr std::int64_t HeaderSize = 0x800;
constexpr std::int64_t FullSignatureAt = 0x0;
constexpr std::int64_t FullIndexOffsetAt = 0x10;
constexpr std::int64_t FullMapNameAt = 0x20;
constexpr std::int64_t FullVersionAt = 0x04;
constexpr std::int64_t FullFileSizeAt = 0x08;
constexpr std::int64_t FullFootAt = 0x7FC;
constexpr std::int64_t DemoSignatureAt = 0x2C0;
constexpr std::int64_t DemoMapNameAt = 0x58C;
constexpr std::int64_t DemoIndexOffsetAt = 0x5EC;

constexpr std::int64_t IndexHeaderSize = 0x28;
constexpr std::int64_t IndexPointerAt = 0x00;
constexpr std::int64_t BaseTagIdAt = 0x04;
constexpr std::int64_t MapIdAt = 0x08;
constexpr std::int64_t TagCountAt = 0x0C;

constexpr std::int64_t EntrySize = 0x20;
constexpr std::int64_t ClassAt = 0x00;
constexpr std::int64_t TagIdAt = 0x0C;
constexpr std::int64_t NamePointerAt = 0x10;
constexpr std::int64_t DataPointerAt = 0x14;
constexpr std::int64_t FlagAt = 0x18;

// In-map addresses as the game lays them out: the index header at 0x40440000.
constexpr std::int32_t FixedMapMagic = 0x40440000 - 0x800;
constexpr std::uint32_t BaseTagId = 0xE1740000u;

void Put(std::string& bytes, std::int64_t offset, const std::string& value) {
    assert(offset >= 0);
    const auto at = static_cast<std::size_t>(offset);
    if (bytes.size() < at + value.size()) bytes.resize(at + value.size(), '\0');
    bytes.replace(at, value.size(), value);
}

std::string LittleEndian(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

void PutInt32(std::string& bytes, std::int64_t offset, std::int32_t value) {
    Put(bytes, offset, LittleEndian(static_cast<std::uint32_t>(value)));
}

}  // namespace

MapBuilder::MapBuilder(Edition edition) : edition_(edition) {}

MapBuilder& MapBuilder::MapName(std::string name) {
    mapName_ = std::move(name);
    return *this;
}

MapBuilder& MapBuilder::Tag(std::string cls, std::string name, std::int32_t flag) {
    cls.resize(4, ' ');
    tags_.push_back({std::move(cls), std::move(name), flag});
    return *this;
}

MapBuilder& MapBuilder::Tags(const std::vector<TagRow>& tags) {
    for (const auto& tag : tags) Tag(tag.Class, tag.Name, tag.Flag);
    return *this;
}

MapBuilder& MapBuilder::ShareName(int tag, int withTag) {
    assert(tag != withTag);
    sharedNames_[tag] = withTag;
    return *this;
}

MapBuilder& MapBuilder::TagCountField(std::int32_t count) {
    tagCountOverride_ = count;
    return *this;
}

MapBuilder& MapBuilder::IndexOffsetField(std::int32_t v) {
    indexOffsetOverride_ = v;
    return *this;
}

MapBuilder& MapBuilder::NamePointerField(int tag, std::int32_t v) {
    namePointerOverrides_[tag] = v;
    return *this;
}

MapBuilder& MapBuilder::IndexPointerField(std::int32_t v) {
    indexPointerOverride_ = v;
    return *this;
}

MapBuilder& MapBuilder::Trailer(std::string bytes) {
    trailer_ += bytes;
    return *this;
}

MapBuilder& MapBuilder::Patch(std::int64_t offset, std::string bytes) {
    patches_.emplace_back(offset, std::move(bytes));
    return *this;
}

std::int64_t MapBuilder::IndexOffsetFieldOffset() const {
    return edition_ == Edition::Full ? FullIndexOffsetAt : DemoIndexOffsetAt;
}

std::int64_t MapBuilder::MapNameFieldOffset() const {
    return edition_ == Edition::Full ? FullMapNameAt : DemoMapNameAt;
}

std::int64_t MapBuilder::IndexOffset() const { return HeaderSize; }

std::int64_t MapBuilder::EntryOffset(int tag) const {
    return IndexOffset() + IndexHeaderSize + tag * EntrySize;
}

std::int64_t MapBuilder::NamesOffset() const { return EntryOffset(TagCount()); }

int MapBuilder::NameOwner(int tag) const {
    // Follows chains of shared names to the tag whose name is stored.
    int owner = tag;
    for (int steps = 0; steps <= TagCount(); ++steps) {
        auto it = sharedNames_.find(owner);
        if (it == sharedNames_.end()) return owner;
        owner = it->second;
    }
    throw std::logic_error("MapBuilder: ShareName forms a cycle");
}

std::int64_t MapBuilder::NameOffset(int tag) const {
    const int owner = NameOwner(tag);
    std::int64_t offset = NamesOffset();
    for (int i = 0; i < owner; ++i)
        if (NameOwner(i) == i) offset += static_cast<std::int64_t>(tags_[static_cast<std::size_t>(i)].Name.size()) + 1;
    return offset;
}

std::int32_t MapBuilder::MapMagic() const { return FixedMapMagic; }

std::string MapBuilder::Build() const {
    std::string bytes(static_cast<std::size_t>(HeaderSize), '\0');

    if (edition_ == Edition::Full) {
        Put(bytes, FullSignatureAt, "daeh");
        PutInt32(bytes, FullVersionAt, 609);
        Put(bytes, FullFootAt, "toof");
    } else {
        Put(bytes, DemoSignatureAt, "dehE");
    }
    Put(bytes, MapNameFieldOffset(), mapName_ + std::string(1, '\0'));
    PutInt32(bytes, IndexOffsetFieldOffset(),
             indexOffsetOverride_.value_or(static_cast<std::int32_t>(IndexOffset())));

    const std::int64_t index = IndexOffset();
    const auto firstEntryAddress =
        static_cast<std::uint32_t>(EntryOffset(0)) + static_cast<std::uint32_t>(FixedMapMagic);
    PutInt32(bytes, index + IndexPointerAt,
             indexPointerOverride_.value_or(static_cast<std::int32_t>(firstEntryAddress)));
    PutInt32(bytes, index + BaseTagIdAt, static_cast<std::int32_t>(BaseTagId));
    PutInt32(bytes, index + MapIdAt, 0x6D617073);
    PutInt32(bytes, index + TagCountAt, tagCountOverride_.value_or(TagCount()));
    bytes.resize(static_cast<std::size_t>(NamesOffset()), '\0');

    for (int i = 0; i < TagCount(); ++i) {
        const auto& tag = tags_[static_cast<std::size_t>(i)];
        const std::int64_t entry = EntryOffset(i);
        Put(bytes, entry + ClassAt, tag.Class);
        PutInt32(bytes, entry + TagIdAt, static_cast<std::int32_t>(BaseTagId + static_cast<std::uint32_t>(i)));
        const auto nameAddress =
            static_cast<std::uint32_t>(NameOffset(i)) + static_cast<std::uint32_t>(FixedMapMagic);
        auto pointer = namePointerOverrides_.find(i);
        PutInt32(bytes, entry + NamePointerAt,
                 pointer != namePointerOverrides_.end() ? pointer->second : static_cast<std::int32_t>(nameAddress));
        PutInt32(bytes, entry + DataPointerAt, static_cast<std::int32_t>(0x40500000 + i * 0x100));
        PutInt32(bytes, entry + FlagAt, tag.Flag);
    }
    for (int i = 0; i < TagCount(); ++i) {
        if (NameOwner(i) != i) continue;
        bytes += tags_[static_cast<std::size_t>(i)].Name;
        bytes += '\0';
    }
    bytes += trailer_;
    if (edition_ == Edition::Full) PutInt32(bytes, FullFileSizeAt, static_cast<std::int32_t>(bytes.size()));

    for (const auto& [offset, patch] : patches_) Put(bytes, offset, patch);
    return bytes;
}

namespace {

std::string UniqueTempPath(const std::string& suffix) {
    static std::atomic<unsigned> counter{0};
    static std::mt19937_64 random{std::random_device{}()};
    const auto dir = std::filesystem::temp_directory_path();
    for (;;) {
        std::ostringstream name;
        name << "tagshroud-test-" << std::hex << random() << '-' << counter++ << suffix;
        auto path = dir / name.str();
        if (!std::filesystem::exists(path)) return path.string();
    }
}

}  // namespace

TempMap::TempMap(const std::string& bytes, const std::string& suffix) : path_(UniqueTempPath(suffix)) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("TempMap: cannot write " + path_);
}

TempMap::~TempMap() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::string TempMap::Bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int32_t Int32At(const std::string& bytes, std::int64_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        const auto at = static_cast<std::size_t>(offset + i);
        v = (v << 8) | (at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u);
    }
    return static_cast<std::int32_t>(v);
}

}  // namespace testmaps
