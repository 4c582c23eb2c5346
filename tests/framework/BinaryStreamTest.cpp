#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "framework/BinaryStream.h"
#include "framework/Exceptions.h"
#include "tests/support/Sanitizers.h"

namespace {

using fw::BinaryStream;

const std::int64_t PageSize = sysconf(_SC_PAGESIZE);

// A file of its own in a fresh folder, examined and changed through
// descriptors of its own, never through the stream under test.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        std::string pattern = testing::TempDir() + "binarystreamXXXXXX";
        folder_ = mkdtemp(pattern.data());
        path_ = folder_ + "/file.map";
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
        reader_ = open(path_.c_str(), O_RDWR);
        EXPECT_GE(reader_, 0);
    }
    ~TempFile() {
        close(reader_);
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }

    // The file's bytes as another descriptor sees them right now.
    std::string Bytes() const {
        std::string bytes(static_cast<std::size_t>(Size()), '\0');
        EXPECT_EQ(pread(reader_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        return bytes;
    }
    std::string BytesAt(off_t offset, std::size_t count) const {
        std::string bytes(count, '\0');
        const ssize_t got = pread(reader_, bytes.data(), count, offset);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }
    std::int64_t Size() const {
        struct stat status {};
        EXPECT_EQ(fstat(reader_, &status), 0);
        return status.st_size;
    }
    void Resize(off_t size) const { ASSERT_EQ(ftruncate(reader_, size), 0); }

private:
    std::string folder_;
    std::string path_;
    int reader_ = -1;
};

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('A' + i % 26);
    return bytes;
}

std::shared_ptr<BinaryStream> OpenOrFail(const TempFile& file) {
    auto stream = BinaryStream::Open(file.Path());
    EXPECT_NE(stream, nullptr);
    return stream;
}

TEST(BinaryStreamOpen, GivesNothingForWhatIsNotAWritableRegularFile) {
    TempFile file("x");
    const std::string fifo = file.Folder() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(BinaryStream::Open(file.Folder() + "/missing.map"), nullptr);
    EXPECT_EQ(BinaryStream::Open(file.Folder()), nullptr);
    EXPECT_EQ(BinaryStream::Open(fifo), nullptr);
    EXPECT_EQ(BinaryStream::Open("/dev/null"), nullptr);
    EXPECT_EQ(BinaryStream::Open(""), nullptr);
    EXPECT_EQ(BinaryStream::Open("/proc/self/exe"), nullptr);  // a running program: ETXTBSY
    unlink(fifo.c_str());
}

TEST(BinaryStreamOpen, GivesNothingWithoutWriteAccess) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write to any file";
    TempFile file("abc");
    ASSERT_EQ(chmod(file.Path().c_str(), 0444), 0);
    EXPECT_EQ(BinaryStream::Open(file.Path()), nullptr);
}

struct ReadCase {
    std::int64_t position;
    std::int32_t count;
    std::string expected;  // of the file "ABCDEFGHIJ"
};

TEST(BinaryStreamRead, GivesOnlyTheBytesInsideTheFileAndAlwaysAdvances) {
    TempFile file(Pattern(10));
    auto stream = OpenOrFail(file);
    const ReadCase cases[] = {
        {0, 4, "ABCD"},  {0, 1, "A"},   {9, 1, "J"},    {6, 4, "GHIJ"},   {8, 4, "IJ"},
        {10, 1, ""},     {10, 4, ""},   {11, 1, ""},    {-1, 1, ""},      {-1, 2, "A"},
        {-4, 6, "AB"},   {-4, 4, ""},   {-2, 20, "ABCDEFGHIJ"},           {0, 0, ""},
        {INT64_MIN, 4, ""},             {INT64_MAX - 8, 4, ""},           {1000000, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("Read(" + std::to_string(c.count) + ") at " + std::to_string(c.position));
        stream->SetPosition(c.position);
        EXPECT_EQ(stream->Read(c.count), c.expected);
        EXPECT_EQ(stream->Position(), c.position + c.count);
    }
}

TEST(BinaryStreamRead, NegativeCountReadsNothingAndStays) {
    TempFile file(Pattern(10));
    auto stream = OpenOrFail(file);
    stream->SetPosition(3);
    EXPECT_EQ(stream->Read(-2), "");
    EXPECT_EQ(stream->Position(), 3);
}

TEST(BinaryStreamRead, Int8IsSignedAndZeroOutsideTheFile) {
    TempFile file(std::string("\x00\x7F\x80\xFF\x01", 5));
    auto stream = OpenOrFail(file);
    const std::int8_t expected[] = {0, 127, -128, -1, 1, 0, 0};
    for (std::int8_t value : expected) EXPECT_EQ(stream->ReadInt8(), value);
    EXPECT_EQ(stream->Position(), 7);
    stream->SetPosition(-1);
    EXPECT_EQ(stream->ReadInt8(), 0);
    EXPECT_EQ(stream->Position(), 0);
    EXPECT_EQ(stream->ReadInt8(), 0);  // the real first byte
}

struct Int32Case {
    std::int64_t position;
    bool littleEndian;
    std::int32_t expected;  // of the file 01 02 03 04 FE FF FF FF
};

TEST(BinaryStreamRead, Int32FollowsByteOrderAndTakesZeroForMissingBytes) {
    TempFile file(std::string("\x01\x02\x03\x04\xFE\xFF\xFF\xFF", 8));
    auto stream = OpenOrFail(file);
    EXPECT_EQ(stream->Position(), 0);
    EXPECT_EQ(stream->ReadInt32(), 0x01020304);  // big-endian until told otherwise
    const Int32Case cases[] = {
        {0, false, 0x01020304},
        {0, true, 0x04030201},
        {4, true, -2},
        {4, false, static_cast<std::int32_t>(0xFEFFFFFF)},
        {6, true, 0x0000FFFF},    // two bytes inside, then two zeros
        {6, false, static_cast<std::int32_t>(0xFFFF0000)},
        {-2, false, 0x00000102},  // two zeros, then the first two bytes
        {-2, true, 0x02010000},
        {8, true, 0},
        {-4, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("at " + std::to_string(c.position) + (c.littleEndian ? " LE" : " BE"));
        stream->SetLittleEndian(c.littleEndian);
        stream->SetPosition(c.position);
        EXPECT_EQ(stream->ReadInt32(), c.expected);
        EXPECT_EQ(stream->Position(), c.position + 4);
    }
}

TEST(BinaryStreamWrite, EveryWriteIsInTheFileAtOnce) {
    TempFile file(std::string(300, '\0'));
    auto stream = OpenOrFail(file);

    stream->WriteInt8(-1);
    EXPECT_EQ(file.BytesAt(0, 1), "\xFF");
    stream->WriteInt32(0x01020304);
    EXPECT_EQ(file.BytesAt(1, 4), "\x01\x02\x03\x04");
    stream->SetLittleEndian(true);
    stream->WriteInt32(-2);
    EXPECT_EQ(file.BytesAt(5, 4), "\xFE\xFF\xFF\xFF");
    stream->WritePString("<Protected>");
    EXPECT_EQ(file.BytesAt(9, 13), std::string("\x0B<Protected>\0", 13));
    EXPECT_EQ(stream->Position(), 21);
    stream->SetPosition(299);
    stream->WriteInt8(0x5A);
    EXPECT_EQ(file.BytesAt(299, 1), "Z");
    EXPECT_EQ(file.Size(), 300);
}

// Every write kind that must be refused, at a position where it would touch a
// byte outside the 10-byte file.
struct RefusedCase {
    const char* what;
    std::int64_t position;
    std::function<void(BinaryStream&)> write;
};

TEST(BinaryStreamWrite, RefusesWritesReachingOutsideTheFileAndChangesNothing) {
    const auto int8 = [](BinaryStream& s) { s.WriteInt8(0x55); };
    const auto int32 = [](BinaryStream& s) { s.WriteInt32(0x55555555); };
    const auto text = [](BinaryStream& s) { s.WritePString("UUU"); };
    const RefusedCase cases[] = {
        {"Int8 at the end", 10, int8},           {"Int8 past the end", 50, int8},
        {"Int8 before the start", -1, int8},     {"Int8 at INT64_MIN", INT64_MIN, int8},
        {"Int32 straddling the end", 7, int32},  {"Int32 with one byte inside", 9, int32},
        {"Int32 straddling the start", -2, int32}, {"Int32 at INT64_MAX", INT64_MAX, int32},
        {"PString straddling the end", 7, text}, {"PString before the start", -1, text},
    };
    const std::string original = Pattern(10);
    TempFile file(original);
    auto stream = OpenOrFail(file);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stream->SetPosition(c.position);
        EXPECT_THROW(c.write(*stream), fw::IOException);
        EXPECT_EQ(stream->Position(), c.position);
        EXPECT_EQ(file.Bytes(), original);
        EXPECT_EQ(stream->Length(), 10);
    }
    // The last bytes that fit are still writable.
    stream->SetPosition(5);
    stream->WriteInt32(0x30313233);
    stream->WriteInt8('!');
    EXPECT_EQ(file.Bytes(), "ABCDE0123!");
}

TEST(BinaryStreamWrite, PStringTakesAtMost255Bytes) {
    TempFile file(std::string(600, '.'));
    auto stream = OpenOrFail(file);
    stream->SetPosition(10);
    EXPECT_THROW(stream->WritePString(std::string(256, 'x')), fw::OutOfBoundsException);
    EXPECT_EQ(stream->Position(), 10);
    EXPECT_EQ(file.Bytes(), std::string(600, '.'));

    stream->WritePString(std::string(255, 'y'));
    EXPECT_EQ(stream->Position(), 10 + 256);
    EXPECT_EQ(file.BytesAt(10, 256), "\xFF" + std::string(255, 'y'));
    EXPECT_EQ(file.BytesAt(266, 1), ".");

    stream->WritePString("");
    EXPECT_EQ(file.BytesAt(266, 2), std::string("\0.", 2));
}

TEST(BinaryStreamEmptyFile, ReadsNothingAndRefusesEveryWrite) {
    TempFile file("");
    auto stream = OpenOrFail(file);
    EXPECT_EQ(stream->Length(), 0);
    EXPECT_EQ(stream->Read(4), "");
    EXPECT_EQ(stream->ReadInt8(), 0);
    EXPECT_EQ(stream->ReadInt32(), 0);
    EXPECT_EQ(stream->Position(), 9);
    stream->SetPosition(0);
    EXPECT_THROW(stream->WriteInt8(1), fw::IOException);
    EXPECT_THROW(stream->WriteInt32(1), fw::IOException);
    EXPECT_THROW(stream->WritePString(""), fw::IOException);
    EXPECT_EQ(file.Size(), 0);
}

TEST(BinaryStreamLength, FollowsAFileShortenedElsewhere) {
    TempFile file(Pattern(100));
    auto stream = OpenOrFail(file);
    file.Resize(20);
    EXPECT_EQ(stream->Length(), 20);

    stream->SetPosition(18);
    EXPECT_EQ(stream->Read(4), "ST");
    stream->SetPosition(50);
    EXPECT_EQ(stream->ReadInt8(), 0);
    EXPECT_EQ(stream->ReadInt32(), 0);
    stream->SetPosition(50);
    EXPECT_THROW(stream->WriteInt8(1), fw::IOException);
    stream->SetPosition(19);
    EXPECT_THROW(stream->WriteInt32(1), fw::IOException);
    EXPECT_EQ(file.Size(), 20);
    EXPECT_EQ(file.Bytes(), Pattern(20));
}

TEST(BinaryStreamLength, FollowsAFileGrownElsewhere) {
    TempFile file(Pattern(10));
    auto stream = OpenOrFail(file);
    file.Resize(3 * PageSize);
    EXPECT_EQ(stream->Length(), 3 * PageSize);
    stream->SetPosition(3 * PageSize - 4);
    stream->WriteInt32(0x41424344);
    EXPECT_EQ(file.BytesAt(3 * PageSize - 4, 4), "ABCD");
    stream->SetPosition(8);
    EXPECT_EQ(stream->Read(4), std::string("IJ\0\0", 4));
}

// The file shrinks under the stream and the stream is not told: an access to
// a page past the new end would be a SIGBUS without the guard. Each case
// starts afresh, so that its own access is the one that meets the fault.
struct Shortened {
    explicit Shortened(std::int64_t newSize = PageSize + 100) {
        stream = OpenOrFail(file);
        file.Resize(newSize);
    }
    const std::string original = Pattern(static_cast<std::size_t>(4 * PageSize));
    TempFile file{original};
    std::shared_ptr<BinaryStream> stream;
};

struct UnseenCase {
    const char* what;
    std::int64_t position;
    std::function<std::int64_t(BinaryStream&)> access;  // gives what was read
    std::int64_t advance;
};

TEST(BinaryStreamShortenedUnseen, EveryReadPastTheNewEndGivesNothing) {
    const UnseenCase cases[] = {
        {"Read(4)", 3 * PageSize, [](BinaryStream& s) { return std::int64_t(s.Read(4).size()); }, 4},
        {"Read(1)", 3 * PageSize, [](BinaryStream& s) { return std::int64_t(s.Read(1).size()); }, 1},
        {"ReadInt8", 2 * PageSize, [](BinaryStream& s) { return std::int64_t(s.ReadInt8()); }, 1},
        {"ReadInt32", 2 * PageSize, [](BinaryStream& s) { return std::int64_t(s.ReadInt32()); }, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Shortened shortened;
        BinaryStream& stream = *shortened.stream;
        stream.SetPosition(c.position);
        EXPECT_EQ(c.access(stream), 0);
        EXPECT_EQ(stream.Position(), c.position + c.advance);
        EXPECT_EQ(stream.Length(), PageSize + 100);
        // Bytes still inside the file read as they stand.
        stream.SetPosition(PageSize + 98);
        EXPECT_EQ(stream.Read(4), shortened.original.substr(static_cast<std::size_t>(PageSize) + 98, 2));
    }
}

TEST(BinaryStreamShortenedUnseen, ReadSpanningTheNewEndGivesTheBytesBeforeIt) {
    Shortened shortened;
    shortened.stream->SetPosition(PageSize + 90);
    EXPECT_EQ(shortened.stream->Read(static_cast<std::int32_t>(2 * PageSize)),
              shortened.original.substr(static_cast<std::size_t>(PageSize) + 90, 10));
}

TEST(BinaryStreamShortenedUnseen, EveryWritePastTheNewEndIsRefusedAndTheFileStaysShort) {
    const std::function<void(BinaryStream&)> writes[] = {
        [](BinaryStream& s) { s.WriteInt8(7); },
        [](BinaryStream& s) { s.WriteInt32(7); },
        [](BinaryStream& s) { s.WritePString("abc"); },
    };
    for (std::size_t i = 0; i < std::size(writes); ++i) {
        SCOPED_TRACE("write kind " + std::to_string(i));
        Shortened shortened;
        shortened.stream->SetPosition(3 * PageSize);
        EXPECT_THROW(writes[i](*shortened.stream), fw::IOException);
        EXPECT_EQ(shortened.stream->Position(), 3 * PageSize);
        EXPECT_EQ(shortened.file.Size(), PageSize + 100);
        EXPECT_EQ(shortened.stream->Length(), PageSize + 100);
        EXPECT_EQ(shortened.file.Bytes(),
                  shortened.original.substr(0, static_cast<std::size_t>(PageSize) + 100));
    }
}

TEST(BinaryStreamShortenedUnseen, WriteAcrossAPageBoundaryIntoTheCutChangesNothing) {
    Shortened shortened(PageSize);
    shortened.stream->SetPosition(PageSize - 2);
    EXPECT_THROW(shortened.stream->WriteInt32(0x31323334), fw::IOException);
    EXPECT_EQ(shortened.file.Size(), PageSize);
    EXPECT_EQ(shortened.file.Bytes(), shortened.original.substr(0, static_cast<std::size_t>(PageSize)));
    // Inside the file writes go on as before.
    shortened.stream->SetPosition(PageSize - 4);
    shortened.stream->WriteInt32(0x31323334);
    EXPECT_EQ(shortened.file.BytesAt(PageSize - 4, 4), "1234");
}

// A cursor's runs against what their bytes, taken one at a time, say: from
// every start in and around a file with zero bytes among its others, a run
// takes the non-zero bytes up to a zero byte, the file's end or its limit.
TEST(BinaryStreamCursor, RunsTakeTheNonZeroBytesUpToAZeroTheEndOrTheirLimit) {
    const std::string content("ab\0\0c\x80\xFF" "de\0f", 12);
    const std::int64_t size = static_cast<std::int64_t>(content.size());
    for (std::int64_t start = -2; start <= size + 2; ++start) {
        for (const std::size_t most : {0u, 1u, 2u, 3u, 100u}) {
            SCOPED_TRACE("start " + std::to_string(start) + ", at most " + std::to_string(most));
            std::size_t expected = 0;
            while (start >= 0 && expected < most && start + static_cast<std::int64_t>(expected) < size &&
                   content[static_cast<std::size_t>(start) + expected] != '\0')
                ++expected;
            const std::string taken = expected ? content.substr(static_cast<std::size_t>(start), expected) : "";

            TempFile file(content);
            auto stream = OpenOrFail(file);
            stream->SetPosition(start);
            std::string out = "kept";
            {
                BinaryStream::Cursor cursor(*stream);
                EXPECT_EQ(cursor.ReadNonZeroRun(most, out), expected);
                EXPECT_EQ(out, "kept" + taken);
                EXPECT_EQ(cursor.Position(), start + static_cast<std::int64_t>(expected));
                cursor.SetPosition(start);
                EXPECT_EQ(cursor.ZeroNonZeroRun(most), expected);
            }
            EXPECT_EQ(stream->Position(), start + static_cast<std::int64_t>(expected));
            std::string zeroed = content;
            if (expected) zeroed.replace(static_cast<std::size_t>(start), expected, expected, '\0');
            EXPECT_EQ(file.Bytes(), zeroed);
        }
    }
}

// The position is the cursor's while it lives and the stream's again after,
// also when a refused write leaves the loop by an exception.
TEST(BinaryStreamCursor, HandsThePositionBackWhenItGoes) {
    TempFile file(Pattern(8));
    auto stream = OpenOrFail(file);
    stream->SetPosition(6);
    try {
        BinaryStream::Cursor cursor(*stream);
        EXPECT_EQ(cursor.ReadInt8(), 'G');
        cursor.WriteInt8('x');
        cursor.WriteInt8('y');
        ADD_FAILURE() << "a write past the end was taken";
    } catch (const fw::IOException&) {
    }
    EXPECT_EQ(stream->Position(), 8);
    EXPECT_EQ(file.Bytes(), "ABCDEFGx");
    EXPECT_EQ(stream->ReadInt8(), 0);
    EXPECT_EQ(stream->Position(), 9);
}

// A run that meets the cut ends at the new end: the bytes before it are
// taken or zeroed in the file, nothing is refused, and past it there is no
// run at all.
TEST(BinaryStreamShortenedUnseen, RunsEndAtTheNewEnd) {
    const std::size_t cutAt = static_cast<std::size_t>(PageSize) + 100;
    for (const bool zeroing : {false, true}) {
        for (const std::int64_t start : {PageSize + 50, 3 * PageSize}) {
            SCOPED_TRACE(std::string(zeroing ? "zeroing" : "reading") + " from " + std::to_string(start));
            Shortened shortened;
            const std::size_t expected = start < PageSize + 100 ? cutAt - static_cast<std::size_t>(start) : 0;
            std::string out;
            {
                BinaryStream::Cursor cursor(*shortened.stream);
                cursor.SetPosition(start);
                const std::size_t most = static_cast<std::size_t>(2 * PageSize);
                EXPECT_EQ(zeroing ? cursor.ZeroNonZeroRun(most) : cursor.ReadNonZeroRun(most, out), expected);
            }
            EXPECT_EQ(shortened.stream->Position(), start + static_cast<std::int64_t>(expected));
            EXPECT_EQ(shortened.stream->Length(), PageSize + 100);
            std::string bytes = shortened.original.substr(0, cutAt);
            if (!zeroing) {
                EXPECT_EQ(out, expected ? bytes.substr(static_cast<std::size_t>(start)) : "");
            } else if (expected) {
                bytes.replace(static_cast<std::size_t>(start), expected, expected, '\0');
            }
            EXPECT_EQ(shortened.file.Bytes(), bytes);
        }
    }
}

// A file of `size` bytes in the temporary folder. The death tests unlink it as
// soon as it is open, so a process that dies leaves nothing behind.
std::string ScratchFile(std::int64_t size) {
    std::string path = testing::TempDir() + "binarystreamXXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0 || ftruncate(fd, size) != 0) _exit(2);
    close(fd);
    return path;
}

// A fault in a mapping that is not a stream's must not be swallowed.
void TouchPastTheEndOfAForeignMapping() {
    const std::string path = ScratchFile(2 * PageSize);
    const int fd = open(path.c_str(), O_RDWR);
    unlink(path.c_str());
    void* data = mmap(nullptr, static_cast<std::size_t>(2 * PageSize), PROT_READ, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) _exit(3);
    if (ftruncate(fd, 10) != 0) _exit(4);
    volatile const char* bytes = static_cast<const char*>(data);
    (void)bytes[PageSize + 1];
    _exit(0);  // reached only when the fault was swallowed
}

void OpenStreamAndTouchForeignMapping() {
    const std::string path = ScratchFile(2 * PageSize);
    auto stream = BinaryStream::Open(path);
    unlink(path.c_str());
    if (!stream) _exit(6);
    TouchPastTheEndOfAForeignMapping();
}

void ExitOnSigbus(int) { _exit(42); }

// AddressSanitizer installs a SIGBUS handler of its own before the guard's, so
// a foreign fault goes on to it, and it ends the process with its own report
// rather than by the default disposition.
using testsupport::UnderAddressSanitizer;

class BinaryStreamGuard : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(BinaryStreamGuard, LeavesForeignFaultsToTheDefaultDisposition) {
    if (UnderAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer's SIGBUS handler comes before the guard's and takes foreign faults";
    EXPECT_EXIT(OpenStreamAndTouchForeignMapping(), testing::KilledBySignal(SIGBUS), "");
}

TEST_F(BinaryStreamGuard, PassesForeignFaultsToTheHandlerInstalledBefore) {
    EXPECT_EXIT(
        {
            signal(SIGBUS, ExitOnSigbus);
            OpenStreamAndTouchForeignMapping();
        },
        testing::ExitedWithCode(42), "");
}

}  // namespace
