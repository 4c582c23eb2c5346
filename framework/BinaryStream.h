#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

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
    // when it cannot be opened so (missing, a directory, no write access...)
    // or cannot be mapped.
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

    class Cursor;

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

// A byte loop's hold on a stream: ReadInt8, WriteInt8 and the position with
// the stream's own rules, kept in the loop's frame while the cursor lives.
// A loop that yields every turn calls into code the compiler cannot see, so
// it must assume that code moves the stream, and reloads the position from
// memory each turn; that round trip costs more than the byte itself. Nothing
// outside the loop can reach a cursor, so its copy stays in a register.
//
// The stream's position belongs to the cursor from its construction and is
// handed back when the cursor goes, also when an exception leaves the loop;
// the stream itself must not be used in between. Every access still reaches
// the mapping at once, in the loop's order.
class BinaryStream::Cursor {
public:
    explicit Cursor(BinaryStream& stream)
        : stream_(stream),
          data_(stream.data_),
          length_(stream.length_),
          cut_(stream.cut_),
          position_(stream.position_) {}
    ~Cursor() { stream_.position_ = position_; }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    std::int64_t Position() const { return position_; }
    void SetPosition(std::int64_t position) { position_ = position; }

    std::int8_t ReadInt8() {
        const auto at = static_cast<std::uint64_t>(position_);
        if (at < length_) [[likely]] {
            const auto value = static_cast<std::int8_t>(static_cast<const volatile unsigned char*>(data_)[at]);
            // The guard puts zero pages where the file was cut, so only a zero
            // byte can come from a cut, and only a zero byte needs the test.
            if (value != 0 || !CutAfterVolatileAccess()) [[likely]] {
                position_ = static_cast<std::int64_t>(at + 1);
                return value;
            }
        }
        return OnStream([](BinaryStream& stream) { return stream.ReadInt8Slow(); });
    }

    void WriteInt8(std::int8_t value) {
        const auto at = static_cast<std::uint64_t>(position_);
        if (at < length_) [[likely]] {
            static_cast<volatile unsigned char*>(data_)[at] = static_cast<unsigned char>(value);
            if (CutAfterVolatileAccess()) [[unlikely]]
                OnStream([](BinaryStream& stream) { stream.ThrowWriteCut(); });
            position_ = static_cast<std::int64_t>(at + 1);
            return;
        }
        OnStream([value](BinaryStream& stream) { stream.WriteInt8Slow(value); });
    }

    // Reads the non-zero bytes from the position on, at most `most` of them,
    // and appends them to `out`: exactly what as many ReadInt8 calls would
    // read, each giving a non-zero byte, up to a zero byte or the file's end.
    // Returns how many it read; the position moves on by as many.
    std::size_t ReadNonZeroRun(std::size_t most, std::string& out) {
        const auto at = static_cast<std::uint64_t>(position_);
        const std::size_t run = NonZeroBytesAt(at, most);
        const std::size_t before = out.size();
        if (run > 0) out.append(reinterpret_cast<const char*>(data_) + at, run);
        // A cut met while the run was copied leaves zero bytes where it fell:
        // the run is dropped, and the bytes are read again from the file as
        // it now stands.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (cut_->load(std::memory_order_relaxed)) [[unlikely]] {
            out.resize(before);
            OnStream([](BinaryStream& stream) { stream.Resync(); });
            return 0;
        }
        position_ = static_cast<std::int64_t>(at + run);
        return run;
    }

    // Zeroes the non-zero bytes from the position on, at most `most` of
    // them, up to a zero byte or the file's end: what as many turns of
    // ReadInt8, a step back and WriteInt8(0) would do, each byte read before
    // it is written. Returns how many; the position moves on by as many.
    // When the file turns out cut under the run, the bytes still inside it
    // are zeroed, an IOException is raised and the position stays at the
    // run's start; a cut met only past the run changes nothing of this.
    std::size_t ZeroNonZeroRun(std::size_t most) {
        const auto at = static_cast<std::uint64_t>(position_);
        const std::size_t run = NonZeroBytesAt(at, most);
        if (run > 0) std::memset(data_ + at, 0, run);
        // The guard puts zero pages over a cut from the page it was met in on,
        // so the zeroes reached the file unless it now ends before them.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (cut_->load(std::memory_order_relaxed)) [[unlikely]]
            OnStream([at, run](BinaryStream& stream) {
                stream.Resync();
                if (run > 0 && at + run > stream.length_) stream.ThrowWriteCut();
            });
        position_ = static_cast<std::int64_t>(at + run);
        return run;
    }

private:
    // How many bytes from `at` on, at most `most`, are non-zero bytes inside
    // the file; none when `at` lies outside it.
    std::size_t NonZeroBytesAt(std::uint64_t at, std::size_t most) const {
        if (at >= length_) return 0;
        const unsigned char* from = data_ + at;
        const std::size_t span = most < length_ - at ? most : static_cast<std::size_t>(length_ - at);
        const void* zero = std::memchr(from, 0, span);
        return zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - from) : span;
    }

    // The stream's test of the guard's flag, for a byte whose one access to
    // the mapping is volatile. The compiler keeps volatile accesses in program
    // order, so reading the flag as a volatile access too places it after
    // that byte's access (and after any fault the access met) without the
    // barrier of the stream's own test, which makes every member be read
    // again from memory.
    bool CutAfterVolatileAccess() const {
        return static_cast<const volatile std::atomic<bool>*>(cut_)->load(std::memory_order_relaxed);
    }

    // Runs one of the stream's own slow paths, which may remap the file, with
    // the position handed over and taken back. The cursor's address is never
    // passed on, so nothing the loop calls can see it.
    template <class Step>
    std::invoke_result_t<Step, BinaryStream&> OnStream(Step step) {
        stream_.position_ = position_;
        struct Reload {
            Cursor& cursor;
            ~Reload() {
                cursor.data_ = cursor.stream_.data_;
                cursor.length_ = cursor.stream_.length_;
                cursor.position_ = cursor.stream_.position_;
            }
        } reload{*this};
        return step(stream_);
    }

    BinaryStream& stream_;
    unsigned char* data_;
    std::uint64_t length_;
    const std::atomic<bool>* cut_;
    std::int64_t position_;
};

// A single byte is a cursor's one step: the same code, with the position
// handed back at once.
inline std::int8_t BinaryStream::ReadInt8() { return Cursor(*this).ReadInt8(); }

inline void BinaryStream::WriteInt8(std::int8_t value) { Cursor(*this).WriteInt8(value); }

}  // namespace fw
