#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/testing/SystemCalls.h"
#include "shell/ProtectOptions.h"
#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ProcessCalls.h"

using testmaps::Edition;
using testmaps::MapBuilder;
using testmaps::TempMap;

namespace {

// A listing or a protection may cost at most two system calls per page of the
// file it touches and a few more for opening, examining and mapping the file
// and for the event loop's turns; never one per byte or per name.
constexpr std::int64_t CallsPerPage = 2;
constexpr std::int64_t FixedCalls = 32;
constexpr std::int64_t PageSize = 4096;
constexpr int Tags = 3000;

// The system calls made so far, counted twice over: the test drivers count
// the calls with which streams open, examine and map files, and the kernel
// counts every read and write call of the process (/proc/self/io), which a
// stream reading or writing through calls of its own would show however it
// made them.
struct Calls {
    std::int64_t stream = 0;
    std::int64_t readWrite = 0;
};

using testsupport::ProcessReadWriteCalls;

Calls Now() { return {static_cast<std::int64_t>(fw::testing::StreamSystemCalls()), ProcessReadWriteCalls()}; }

// Tags of every kind a protection treats differently, with names of 20 to 80
// bytes that each differ.
MapBuilder ManyTagMap() {
    const std::vector<std::string> classes = {"mtib", "!dns", "gtam", "ecse", "psm ", "ihcs", "2dom", "aLeD"};
    MapBuilder map(Edition::Full);
    map.MapName("bloodgulch");
    for (int i = 0; i < Tags; ++i) {
        std::string name = "levels\\test\\bloodgulch\\" + std::to_string(i);
        name.resize(20 + static_cast<std::size_t>(i) % 61, static_cast<char>('a' + i % 26));
        map.Tag(classes[static_cast<std::size_t>(i) % classes.size()], name);
    }
    return map;
}

// The distinct pages of the header fields, the tag index and the names.
std::int64_t PagesTouched(const MapBuilder& map, const std::string& bytes) {
    std::set<std::int64_t> pages;
    auto touch = [&](std::int64_t from, std::int64_t size) {
        for (std::int64_t page = from / PageSize; page <= (from + size - 1) / PageSize; ++page) pages.insert(page);
    };
    touch(0, map.MapNameFieldOffset() + 32);
    touch(map.IndexOffset(), map.EntryOffset(map.TagCount()) - map.IndexOffset());
    for (int tag = 0; tag < map.TagCount(); ++tag) {
        const std::int64_t name = map.NameOffset(tag);
        touch(name, static_cast<std::int64_t>(bytes.find('\0', static_cast<std::size_t>(name))) - name + 1);
    }
    return static_cast<std::int64_t>(pages.size());
}

class SystemCallBoundTest : public MainWindowFixture {
protected:
    void ExpectWithinBound(const Calls& before, const Calls& after, std::int64_t pages) const {
        const std::int64_t stream = after.stream - before.stream;
        const std::int64_t readWrite = after.readWrite - before.readWrite;
        // The stream opened and mapped the file, so its counter moved: the
        // bound below is not met by a counter that counts nothing.
        EXPECT_GT(stream, 0);
        EXPECT_LE(stream + readWrite, CallsPerPage * pages + FixedCalls)
            << stream << " calls by the stream and " << readWrite << " read and write calls of the process for "
            << pages << " pages";
    }

    MapBuilder map = ManyTagMap();
    std::string bytes = map.Build();
    std::int64_t pages = PagesTouched(map, bytes);
};

TEST_F(SystemCallBoundTest, AListingCostsAtMostTwoCallsPerPageItTouches) {
    TempMap file(bytes);
    const Calls before = Now();
    Choose(file);
    const Calls after = Now();

    ASSERT_EQ(Rows().size(), static_cast<std::size_t>(Tags));
    ExpectWithinBound(before, after, pages);
}

TEST_F(SystemCallBoundTest, AProtectionCostsAtMostTwoCallsPerPageItTouches) {
    TempMap file(bytes);
    Choose(file);
    ProtectOptions()->Control<fw::EditField>("TagInPut")->SetText("");
    const Calls before = Now();
    ProtectOptions()->PushButton1_Action();
    const Calls after = Now();

    ASSERT_EQ(dialogs->Messages().back(), "Map Protected!");
    ASSERT_EQ(Rows().size(), static_cast<std::size_t>(Tags));
    ExpectWithinBound(before, after, pages);
}

}  // namespace
