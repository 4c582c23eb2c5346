#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "shell/ProtectOptions.h"
#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/Yields.h"

// Files a user may really pick or meet: ones that are no map, ones that do not
// open for writing, and maps that another program shortens under the stream.
// Each gets a clear message or report, and nothing beyond what the user asked
// for is lost.

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testmaps::Edition;
using testmaps::MapBuilder;
using testmaps::TempMap;

const std::string Protected = "Map Protected!";
const std::string Damaged = "This map's tag index is damaged; the map was not changed.";
const std::string UnexpectedError = "An unexpected error occurred: ";

MapBuilder SmallMap() {
    MapBuilder map(Edition::Full);
    map.MapName("beavercreek")
        .Tag("ihcw", "weapons\\pistol\\pistol")
        .Tag("rncs", "levels\\beavercreek\\scenario")
        .Tag("mtib", "levels\\beavercreek\\bitmaps\\grass");
    return map;
}

// A folder of its own for each test, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = testing::TempDir() + "hostileXXXXXX";
        path_ = mkdtemp(pattern.data());
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

std::int64_t SizeOf(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

// A copy of a small program, started and left waiting, so that its file is a
// running executable: Linux refuses to open that for writing (ETXTBSY), for
// root too.
class BusyExecutable {
public:
    explicit BusyExecutable(const fs::path& path) : path_(path.string()) {
        std::error_code error;
        fs::copy_file("/bin/sleep", path, error);
        if (error || chmod(path_.c_str(), 0755) != 0) return;
        char arg0[] = "sleep";
        char arg1[] = "60";
        char* argv[] = {arg0, arg1, nullptr};
        // posix_spawn returns once the child has executed the program.
        if (posix_spawn(&child_, path_.c_str(), nullptr, nullptr, argv, environ) != 0) child_ = -1;
    }
    ~BusyExecutable() {
        if (child_ <= 0) return;
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    // Whether the machine refuses to open the file for writing, as it should.
    bool RefusesWriting() const {
        if (child_ <= 0) return false;
        const int fd = open(path_.c_str(), O_RDWR);
        if (fd >= 0) close(fd);
        return fd < 0 && errno == ETXTBSY;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    pid_t child_ = -1;
};

class HostileFilesTest : public MainWindowFixture {
protected:
    // Protects the listed map with `text`, as the user would: Prot, then the
    // text typed in the dialog, then Continue.
    void Protect(const std::string& text = "") {
        Prot()->Push();
        auto dialog = ProtectOptions();
        dialog->Control<fw::EditField>("TagInPut")->SetText(text);
        dialog->Control<fw::PushButton>("PushButton1")->Push();
    }
    std::vector<std::string> MessagesSince(std::size_t before) const {
        const auto& all = dialogs->Messages();
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }

    ScratchFolder scratch;
};

TEST_F(HostileFilesTest, EmptyFileIsNoMapAndStaysEmpty) {
    TempMap empty("");
    Choose(empty);
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{NotAMap});
    EXPECT_FALSE(Prot()->Enabled());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(SizeOf(empty.Path()), 0);
}

// A file that opens for reading and writing but cannot be mapped: a sparse
// file larger than the address space, in the shared-memory folder, whose
// file system holds files that large.
class UnmappableFile {
public:
    UnmappableFile() {
        std::string pattern = "/dev/shm/tagshroud-hugeXXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return;
        if (ftruncate(fd, off_t{1} << 50) == 0) path_ = pattern;
        close(fd);
        if (path_.empty()) unlink(pattern.c_str());
    }
    ~UnmappableFile() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    // Empty when the machine cannot make it.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Each of these is reported as not opening, empties the list and disables
// Prot, and leaves the map listed before, and the chosen file, as they were:
// Continue then protects nothing.
TEST_F(HostileFilesTest, FilesThatDoNotOpenForWritingAreReportedAndTouchNothing) {
    const UnmappableFile unmappable;
    struct Case {
        const char* What;
        std::function<std::string()> Make;  // the path to choose; empty: the machine cannot make it
    };
    const Case cases[] = {
        {"a folder",
         [&] {
             fs::create_directory(scratch / "folder.map");
             return (scratch / "folder.map").string();
         }},
        {"a named pipe",
         [&] {
             const auto path = (scratch / "pipe.map").string();
             return mkfifo(path.c_str(), 0644) == 0 ? path : std::string();
         }},
        {"a device", [] { return std::string("/dev/null"); }},
        {"a link to nothing",
         [&] {
             fs::create_symlink(scratch / "missing.map", scratch / "dangling.map");
             return (scratch / "dangling.map").string();
         }},
        {"a file that vanished after it was chosen", [&] { return (scratch / "gone.map").string(); }},
        {"a file too large to be mapped", [&] { return unmappable.Path(); }},
    };
    const std::string mapBytes = SmallMap().Build();
    TempMap map(mapBytes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string path = c.Make();
        if (path.empty()) {
            ADD_FAILURE() << "could not make " << c.What;
            continue;
        }
        Choose(map);
        ASSERT_EQ(Rows().size(), 3u);
        const std::size_t before = dialogs->Messages().size();
        Choose(path);
        EXPECT_EQ(MessagesSince(before), std::vector<std::string>{NotOpened});
        EXPECT_EQ(window->br, nullptr);
        EXPECT_TRUE(Rows().empty());
        EXPECT_FALSE(Prot()->Enabled());
        ProtectOptions()->Control<fw::PushButton>("PushButton1")->Push();
        EXPECT_EQ(MessagesSince(before), std::vector<std::string>{NotOpened});
        EXPECT_EQ(map.Bytes(), mapBytes);
    }
}

TEST_F(HostileFilesTest, RunningExecutableIsReportedAsNotOpening) {
    BusyExecutable busy(scratch / "running.map");
    if (!busy.RefusesWriting()) GTEST_SKIP() << "this machine lets a running executable be opened for writing";
    const auto before = SizeOf(busy.Path());
    TempMap map(SmallMap().Build());
    Choose(map);
    Choose(busy.Path());
    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{NotOpened});
    EXPECT_EQ(window->br, nullptr);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Prot()->Enabled());
    EXPECT_EQ(SizeOf(busy.Path()), before);
}

// Another descriptor shortens the map between its listing and its protection.
// The protection then writes only inside what is left, or nothing; it never
// grows the file back, and says "Map Protected!" only when every write it
// needed is in the file.
TEST_F(HostileFilesTest, MapShortenedBeforeProtectionIsNeverGrownBackNorReportedProtectedFalsely) {
    const MapBuilder builder = SmallMap();
    const std::string original = builder.Build();
    const std::int64_t tag0Name = builder.NameOffset(0);
    const std::int64_t lastName = builder.NameOffset(2);
    struct Case {
        const char* What;
        std::int64_t Size;
        std::string Message;
    };
    const Case cases[] = {
        {"to nothing", 0, Damaged},
        {"inside the header", 0x400, Damaged},
        {"inside the tag entries", builder.EntryOffset(1) + 8, Damaged},
        {"inside tag 0's name, so the replacement cannot fit", tag0Name + 4, Damaged},
        {"inside the last name", lastName + 5, Protected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TempMap map(original);
        Choose(map);
        ASSERT_EQ(Rows().size(), 3u);
        ASSERT_EQ(truncate(map.Path().c_str(), c.Size), 0);
        const std::size_t before = dialogs->Messages().size();
        Protect();

        EXPECT_EQ(MessagesSince(before), std::vector<std::string>{c.Message});
        EXPECT_EQ(SizeOf(map.Path()), c.Size);
        const std::string after = map.Bytes();
        if (c.Message == Damaged) {
            EXPECT_EQ(after, original.substr(0, static_cast<std::size_t>(c.Size)));
            continue;
        }
        // What is left of the last name is wiped, and the replacement stands.
        EXPECT_EQ(after.substr(static_cast<std::size_t>(lastName)), std::string(5, '\0'));
        EXPECT_EQ(after.substr(static_cast<std::size_t>(tag0Name) - 1, 12), "\x0B<Protected>");
    }
}

// Another program shortens the map while it is protected, at the protection's
// first yield (in the wipe of tag 0's name). Cut after tag 0's entry, the
// entries still to be redirected lie past the new end and the stream refuses
// the write; cut only in the trailer, past every write, nothing faults but the
// map is no longer the file that was protected. Either way the error is
// reported, "Map Protected!" is never shown, and the file is never grown back.
TEST_F(HostileFilesTest, MapShortenedDuringProtectionIsReportedAndNeverGrownBack) {
    // Enough exempt entries between the first and the last tag that the last
    // one's entry lies a whole page past a cut after the first.
    MapBuilder builder(Edition::Full);
    builder.MapName("cut").Tag("weap", "weapons\\pistol");
    for (int i = 0; i < 200; ++i) builder.Tag("gtam", "globals\\globals");
    builder.Tag("weap", "weapons\\rifle").Trailer(std::string(64, 't'));
    const std::string original = builder.Build();
    struct Case {
        const char* What;
        std::int64_t Size;
        const char* Reason;
    };
    const Case cases[] = {
        {"after tag 0's entry", builder.EntryOffset(1), "would reach outside"},
        {"in the trailer", static_cast<std::int64_t>(original.size()) - 32, "changed the map's length"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TempMap map(original);
        Choose(map);
        Prot()->Push();
        auto dialog = ProtectOptions();
        const std::size_t before = dialogs->Messages().size();
        testsupport::RunAtYield(1, [&] { EXPECT_EQ(truncate(map.Path().c_str(), c.Size), 0); });
        dialog->Control<fw::PushButton>("PushButton1")->Push();
        ProtectOptions()->Close();  // an error leaves it open

        const auto messages = MessagesSince(before);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind(UnexpectedError, 0), 0u) << messages[0];
        EXPECT_NE(messages[0].find(c.Reason), std::string::npos) << messages[0];
        EXPECT_EQ(SizeOf(map.Path()), c.Size);
    }
}

}  // namespace
