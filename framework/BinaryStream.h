#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fw {

// A file opened for reading and overwriting in place, read and written at a
// 64-bit position like the framework's binary streams.
//
// Rules, the same for every operation:
// - A read returns only bytes that lie inside the file. `Read` then gives a
//   shorter string, and `ReadInt8` and `ReadInt32` take 0 for each missing
//   byte. The position still advances by the count asked for. Reads never
//   throw, whatever the position (negative positions included).
// - A write that would touch any byte outside the file is refused with an
//   IOException and writes nothing; the position stays where it was. The
//   stream never extends or shrinks the file.
// - Every write reaches the file at once: another descriptor on the same file
//   sees it as soon as the call returns.
// - An operating-system error raises an IOException.
// - The file closes when the last reference to the stream goes; nothing needs
//   to be flushed or closed by hand.
class BinaryStream {
public:
    // Opens an existing regular file for reading and writing. Returns nullptr
    // when it cannot be opened so (missing, a directory, no write access...).
    static std::shared_ptr<BinaryStream> Open(const std::string& path);

    ~BinaryStream();
    BinaryStream(const BinaryStream&) = delete;
    BinaryStream& operator=(const BinaryStream&) = delete;

    std::int64_t Position() const { return position_; }
    void SetPosition(std::int64_t position) { position_ = position; }

    bool LittleEndian() const { return littleEndian_; }
    void SetLittleEndian(bool littleEndian) { littleEndian_ = littleEndian; }

    // The file's current length in bytes, read again from the file. When
    // another program has shortened or grown the file since, later reads and
    // writes are bounded by this length.
    std::int64_t Length();

    // The next `count` bytes as raw bytes, with no text encoding. A count of 0
    // or below reads nothing and leaves the position where it is.
    std::string Read(std::int32_t count);
    std::int8_t ReadInt8();
    std::int32_t ReadInt32();

    void WriteInt8(std::int8_t value);
    void WriteInt32(std::int32_t value);
    // One length byte, then the text's bytes, with no terminator. A text of
    // more than 255 bytes is refused with an OutOfBoundsException.
    void WritePString(const std::string& text);

    // How many system calls the streams of this process have made so far
    // (open, examine, map, unmap, close). Reads and writes make none: they go
    // through the mapping, so a whole listing costs a handful.
    static std::uint64_t SystemCalls();

private:
    // The descriptor and its registration with the guard against files that
    // another program shortens while they are mapped.
    struct Mapping;
    explicit BinaryStream(std::unique_ptr<Mapping> mapping);

    // Whether the guard replaced part of the mapping since the last look: an
    // access in this call touched a page past the file's new end. Every
    // access is followed by this test, after a compiler barrier, so that the
    // call that met the fault also deals with it.
    bool Cut() const {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return cut_->load(std::memory_order_relaxed);
    }

    // The same test for the byte-sized hot paths, whose one access to the
    // mapping is volatile. The compiler keeps volatile accesses in program
    // order, so reading the flag as a volatile access too places it after
    // that byte's access (and after any fault the access met) without the
    // barrier of Cut(), which makes every member be read again from memory.
    bool CutAfterVolatileAccess() const {
        return static_cast<const volatile std::atomic<bool>*>(cut_)->load(std::memory_order_relaxed);
    }

    // The byte at `at`, loaded even when the caller drops the value: the load
    // is what meets a fault past a shortened file's end, and a call such as
    // Read(1).size() must still see that fault. Pages past a shortened file's
    // end are always the mapping's last ones, so a span of bytes meets a cut
    // exactly when its last byte does: the copies Peek that byte first.
    unsigned char Peek(std::uint64_t at) const {
        return static_cast<const volatile unsigned char*>(data_)[at];
    }

    std::int8_t ReadInt8Slow();
    std::int32_t ReadInt32Slow();
    std::string ReadSlow(std::int32_t count);
    void WriteInt8Slow(std::int8_t value);
    [[noreturn]] void ThrowWriteCut();
    // Copies the bytes of [position, position + count) that lie inside the
    // file into `out` (which holds `count` zero bytes on entry).
    void Fetch(std::int64_t position, std::size_t count, unsigned char* out);
    // Writes `count` bytes at the current position, or throws without writing.
    void Store(const unsigned char* bytes, std::size_t count);
    // After the guard cut the mapping: maps the file again at its new size.
    void Resync();
    // Maps the file afresh with `size` bytes.
    void Remap(std::uint64_t size);
    void Unmap();

    unsigned char* data_ = nullptr;   // the shared mapping; nullptr when none
    std::uint64_t length_ = 0;        // bytes of data_ inside the file
    const std::atomic<bool>* cut_;    // set by the guard's signal handler
    std::int64_t position_ = 0;
    bool littleEndian_ = false;
    std::unique_ptr<Mapping> mapping_;
};

// The hot paths: a bounds test, a memory access and a test of the guard's
// flag. A position outside the file becomes a huge unsigned offset, so one
// comparison covers both ends.

inline std::int8_t BinaryStream::ReadInt8() {
    const auto at = static_cast<std::uint64_t>(position_);
    if (at < length_) [[likely]] {
        const auto value = static_cast<std::int8_t>(Peek(at));
        if (!CutAfterVolatileAccess()) [[likely]] {
            position_ = static_cast<std::int64_t>(at + 1);
            return value;
        }
    }
    return ReadInt8Slow();
}

inline std::string BinaryStream::Read(std::int32_t count) {
    const auto at = static_cast<std::uint64_t>(position_);
    const auto size = static_cast<std::uint64_t>(count);
    if (count > 0 && at < length_ && size <= length_ - at) [[likely]] {
        (void)Peek(at + size - 1);  // see Peek
        std::string bytes(reinterpret_cast<const char*>(data_) + at, size);
        if (!Cut()) [[likely]] {
            position_ = static_cast<std::int64_t>(at + size);
            return bytes;
        }
    }
    return ReadSlow(count);
}

inline std::int32_t BinaryStream::ReadInt32() {
    const auto at = static_cast<std::uint64_t>(position_);
    if (at < length_ && length_ - at >= 4) [[likely]] {
        (void)Peek(at + 3);  // see Peek
        const unsigned char* bytes = data_ + at;
        const std::uint32_t bits =
            littleEndian_ ? std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24
                          : std::uint32_t{bytes[3]} | std::uint32_t{bytes[2]} << 8 |
                                std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[0]} << 24;
        if (!Cut()) [[likely]] {
            position_ = static_cast<std::int64_t>(at + 4);
            return static_cast<std::int32_t>(bits);
        }
    }
    return ReadInt32Slow();
}

inline void BinaryStream::WriteInt8(std::int8_t value) {
    const auto at = static_cast<std::uint64_t>(position_);
    if (at < length_) [[likely]] {
        static_cast<volatile unsigned char*>(data_)[at] = static_cast<unsigned char>(value);
        if (CutAfterVolatileAccess()) [[unlikely]] ThrowWriteCut();
        position_ = static_cast<std::int64_t>(at + 1);
        return;
    }
    WriteInt8Slow(value);
}

}  // namespace fw
