#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/MapBuilder.h"

// The maps the benchmarks list and protect, generated when the run starts and
// kept in temporary files for the run.
namespace bench {

// The most tags a map's tag index can number.
inline constexpr int MostTags = 65535;
inline constexpr std::size_t ShortestName = 20;
inline constexpr std::size_t LongestName = 80;
inline constexpr std::size_t LongNameSize = 10000;

// `count` tags that reuse the stock classes and paths in turn, each name made
// unique by a suffix and kept between ShortestName and LongestName bytes.
std::vector<testmaps::TagRow> ManyTags(const std::vector<testmaps::TagRow>& stock, int count);

// A handful of tags whose names are LongNameSize bytes, between ordinary ones.
std::vector<testmaps::TagRow> LongNameTags(const std::vector<testmaps::TagRow>& stock);

// `count` tags as ManyTags gives them, each name lengthened to `size` bytes
// with its own path repeated: a listing long enough to watch the window.
std::vector<testmaps::TagRow> SizedTags(const std::vector<testmaps::TagRow>& stock, int count, std::size_t size);

// A Full map in the test maps' layout (header of 0x800 bytes, the tag index
// right after it, the names after the index, each once, in entry order),
// laid out in one pass however many tags it holds.
std::string BuildFullMap(const std::string& mapName, const std::vector<testmaps::TagRow>& tags);

// What a plain reader finds in a map file: the figures the benchmarks set
// beside the engine's.
struct RawScan {
    std::int64_t Tags = 0;
    std::int64_t NameBytes = 0;     // the name bytes, terminators not counted
    std::int64_t PagesTouched = 0;  // distinct 4 KiB pages of header, index and names
    std::int64_t ReadCalls = 0;     // pread calls made
};

// Reads the header, the tag index and the name bytes of a Full map with plain
// pread calls into `buffer` and finds each name's end with memchr, as cheaply
// as the file allows. Counting the pages touched costs extra and is left out
// unless asked for.
RawScan ScanWithPread(const std::string& path, std::vector<unsigned char>& buffer,
                      bool countPages = false);

}  // namespace bench
