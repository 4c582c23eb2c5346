#include "bench/BenchMaps.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_set>

namespace bench {
namespace {

// The Full layout as a plain reader sees it, spelled out apart from the
// engine's own constants.
constexpr std::int64_t IndexOffsetAt = 0x10;
constexpr std::int64_t MapNameAt = 0x20;
constexpr std::int64_t MapNameCap = 32;
constexpr std::int64_t HeaderBytes = MapNameAt + MapNameCap;
constexpr std::int64_t IndexHeaderSize = 0x28;
constexpr std::int64_t TagCountAt = 0x0C;
constexpr std::int64_t EntrySize = 0x20;
constexpr std::int64_t NamePointerAt = 0x10;
constexpr std::int64_t NameCap = 10000;
constexpr std::int64_t PageSize = 4096;

// Where the builder puts things, and the in-map address of the index header.
constexpr std::int64_t BuiltHeaderSize = 0x800;
constexpr std::int64_t ClassAt = 0x00;
constexpr std::int64_t FlagAt = 0x18;
constexpr std::uint32_t IndexAddress = 0x40440000;
constexpr std::int64_t SignatureAt = 0x0;
constexpr const char* FullSignature = "daeh";

void PutLittle32(std::string& bytes, std::int64_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(at + i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Little32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// pread until `count` bytes or the end of the file; returns the bytes read.
std::int64_t ReadAt(int fd, unsigned char* into, std::int64_t count, std::int64_t at, RawScan& scan) {
    std::int64_t done = 0;
    while (done < count) {
        ++scan.ReadCalls;
        const ssize_t got = pread(fd, into + done, static_cast<std::size_t>(count - done), at + done);
        if (got < 0) throw std::runtime_error("pread failed: " + std::string(std::strerror(errno)));
        if (got == 0) break;
        done += got;
    }
    return done;
}

// The length of the name at `from` within `available` bytes, capped.
std::int64_t NameLength(const unsigned char* from, std::int64_t available) {
    const auto span = static_cast<std::size_t>(std::clamp<std::int64_t>(available, 0, NameCap));
    const void* zero = std::memchr(from, 0, span);
    return zero ? static_cast<const unsigned char*>(zero) - from : static_cast<std::int64_t>(span);
}

class Descriptor {
public:
    explicit Descriptor(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    }
    ~Descriptor() { close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

// A name between ShortestName and LongestName bytes made of `path` and a
// suffix that tells the tags apart.
std::string UniqueName(const std::string& path, int tag) {
    const std::string suffix = "#" + std::to_string(tag);
    std::string stem = path.empty() ? std::string("tag") : path;
    while (stem.size() + suffix.size() < ShortestName) stem += "\\" + path;
    stem.resize(std::min(stem.size(), LongestName - suffix.size()));
    return stem + suffix;
}

}  // namespace

std::vector<testmaps::TagRow> ManyTags(const std::vector<testmaps::TagRow>& stock, int count) {
    std::vector<testmaps::TagRow> tags;
    tags.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const testmaps::TagRow& model = stock[static_cast<std::size_t>(i) % stock.size()];
        tags.push_back({model.Class, UniqueName(model.Name, i), 0});
    }
    return tags;
}

std::vector<testmaps::TagRow> LongNameTags(const std::vector<testmaps::TagRow>& stock) {
    constexpr int Tags = 16;
    constexpr int EveryLong = 3;  // tags 0, 3, 6, ... carry the long names
    std::vector<testmaps::TagRow> tags = ManyTags(stock, Tags);
    for (int i = 0; i < Tags; i += EveryLong) {
        std::string& name = tags[static_cast<std::size_t>(i)].Name;
        const std::string stem = name;
        while (name.size() < LongNameSize) name += "\\" + stem;
        name.resize(LongNameSize);
    }
    return tags;
}

std::string BuildFullMap(const std::string& mapName, const std::vector<testmaps::TagRow>& tags) {
    const auto count = static_cast<std::int64_t>(tags.size());
    const std::int64_t namesAt = BuiltHeaderSize + IndexHeaderSize + count * EntrySize;
    std::string bytes(static_cast<std::size_t>(namesAt), '\0');
    bytes.replace(SignatureAt, 4, FullSignature);
    bytes.replace(MapNameAt, std::min<std::size_t>(mapName.size(), MapNameCap - 1), mapName);
    PutLittle32(bytes, IndexOffsetAt, static_cast<std::uint32_t>(BuiltHeaderSize));
    const std::uint32_t mapMagic = IndexAddress - static_cast<std::uint32_t>(BuiltHeaderSize);
    PutLittle32(bytes, BuiltHeaderSize, IndexAddress + static_cast<std::uint32_t>(IndexHeaderSize));
    PutLittle32(bytes, BuiltHeaderSize + TagCountAt, static_cast<std::uint32_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const testmaps::TagRow& tag = tags[static_cast<std::size_t>(i)];
        const std::int64_t entry = BuiltHeaderSize + IndexHeaderSize + i * EntrySize;
        std::string cls = tag.Class;
        cls.resize(4, ' ');
        bytes.replace(static_cast<std::size_t>(entry + ClassAt), 4, cls);
        PutLittle32(bytes, entry + NamePointerAt, static_cast<std::uint32_t>(bytes.size()) + mapMagic);
        PutLittle32(bytes, entry + FlagAt, static_cast<std::uint32_t>(tag.Flag));
        bytes += tag.Name;
        bytes += '\0';
    }
    return bytes;
}

std::vector<testmaps::TagRow> SizedTags(const std::vector<testmaps::TagRow>& stock, int count, std::size_t size) {
    std::vector<testmaps::TagRow> tags = ManyTags(stock, count);
    for (auto& tag : tags) {
        const std::string stem = tag.Name;
        while (tag.Name.size() < size) tag.Name += "\\" + stem;
        tag.Name.resize(size);
    }
    return tags;
}

RawScan ScanWithPread(const std::string& path, std::vector<unsigned char>& buffer, bool countPages) {
    RawScan scan;
    Descriptor file(path);
    std::unordered_set<std::int64_t> pages;
    auto touch = [&](std::int64_t from, std::int64_t size) {
        if (!countPages || size <= 0) return;
        for (std::int64_t page = from / PageSize; page <= (from + size - 1) / PageSize; ++page) pages.insert(page);
    };

    unsigned char header[HeaderBytes] = {};
    ReadAt(file.Fd(), header, HeaderBytes, 0, scan);
    const auto indexOffset = static_cast<std::int32_t>(Little32(header + IndexOffsetAt));
    const std::int64_t mapName = NameLength(header + MapNameAt, MapNameCap);
    touch(IndexOffsetAt, 4);
    touch(MapNameAt, std::min(mapName + 1, MapNameCap));

    unsigned char indexHeader[IndexHeaderSize] = {};
    ReadAt(file.Fd(), indexHeader, IndexHeaderSize, indexOffset, scan);
    touch(indexOffset, IndexHeaderSize);
    const std::uint32_t mapMagic = Little32(indexHeader) - static_cast<std::uint32_t>(IndexHeaderSize) -
                                   static_cast<std::uint32_t>(indexOffset);
    scan.Tags = std::max<std::int32_t>(0, static_cast<std::int32_t>(Little32(indexHeader + TagCountAt)));

    const std::int64_t entriesAt = indexOffset + IndexHeaderSize;
    const std::int64_t entryBytes = scan.Tags * EntrySize;
    if (buffer.size() < static_cast<std::size_t>(entryBytes)) buffer.resize(static_cast<std::size_t>(entryBytes));
    scan.Tags = ReadAt(file.Fd(), buffer.data(), entryBytes, entriesAt, scan) / EntrySize;
    touch(entriesAt, scan.Tags * EntrySize);

    // The names lie together after the index: one read takes them all.
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t last = -1;
    for (std::int64_t tag = 0; tag < scan.Tags; ++tag) {
        const std::uint32_t pointer = Little32(buffer.data() + tag * EntrySize + NamePointerAt);
        const auto offset = static_cast<std::int64_t>(static_cast<std::int32_t>(pointer - mapMagic));
        first = std::min(first, offset);
        last = std::max(last, offset);
    }
    if (scan.Tags == 0 || first < 0) return scan;
    // The buffer only grows, so a warm run reads straight into it.
    const std::int64_t namesAt = entryBytes;
    const std::int64_t span = last + NameCap - first;
    if (buffer.size() < static_cast<std::size_t>(namesAt + span))
        buffer.resize(static_cast<std::size_t>(namesAt + span));
    const std::int64_t got = ReadAt(file.Fd(), buffer.data() + namesAt, span, first, scan);
    for (std::int64_t tag = 0; tag < scan.Tags; ++tag) {
        const std::uint32_t pointer = Little32(buffer.data() + tag * EntrySize + NamePointerAt);
        const auto offset = static_cast<std::int64_t>(static_cast<std::int32_t>(pointer - mapMagic)) - first;
        const std::int64_t length = NameLength(buffer.data() + namesAt + offset, got - offset);
        scan.NameBytes += length;
        touch(first + offset, std::min(length + 1, NameCap));
    }
    scan.PagesTouched = static_cast<std::int64_t>(pages.size());
    return scan;
}

}  // namespace bench
