#pragma once

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

    // The file's current length in bytes.
    std::int64_t Length();

    // The next `count` bytes as raw bytes, with no text encoding.
    std::string Read(std::int32_t count);
    std::int8_t ReadInt8();
    std::int32_t ReadInt32();

    void WriteInt8(std::int8_t value);
    void WriteInt32(std::int32_t value);
    // One length byte, then the text's bytes, with no terminator. A text of
    // more than 255 bytes is refused with an OutOfBoundsException.
    void WritePString(const std::string& text);

private:
    struct Mapping;
    explicit BinaryStream(std::unique_ptr<Mapping> mapping);

    // Copies the bytes of [position, position + count) that lie inside the
    // file into `out` (which holds `count` zero bytes on entry).
    void Fetch(std::int64_t position, std::size_t count, unsigned char* out);
    // Writes `count` bytes at the current position, or throws without writing.
    void Store(const unsigned char* bytes, std::size_t count);

    std::unique_ptr<Mapping> mapping_;
    std::int64_t position_ = 0;
    bool littleEndian_ = false;
};

}  // namespace fw
