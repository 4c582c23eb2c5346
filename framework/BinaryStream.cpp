#include "framework/BinaryStream.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>

#include "framework/Exceptions.h"

// The stream maps the whole file shared, read-write: the kernel's page cache
// is the stream's cache, and a store into the mapping is in the file at once.
//
// A mapped file that another program shortens raises SIGBUS on any access to
// a page wholly past its new end. A process-wide handler guards our mappings:
// for a fault inside one, it maps anonymous zero pages over the rest of that
// mapping (so the faulting access completes, reading or writing a zero page)
// and flags the mapping as cut. The stream call that made the access tests the
// flag right after it, maps the file again at its new size and then answers as
// the stream's rules say for the shortened file. A fault at any other address
// goes on to the handler that was installed before ours.

namespace fw {

namespace {

constexpr std::uint64_t NoFault = std::numeric_limits<std::uint64_t>::max();
// The longest store: a length byte and 255 text bytes.
constexpr std::size_t MaxStore = 256;
constexpr std::size_t MaxPStringLength = 255;
constexpr const char* ShortenedMessage =
    "The map file was shortened by another program while it was being written.";

// One live mapping as the signal handler sees it. Slots are never freed, so
// the handler can walk the list at any moment; a released slot is reused by
// the next stream.
struct GuardSlot {
    std::atomic<bool> inUse{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
    // The lowest offset in the mapping that faulted since the last resync.
    std::atomic<std::uint64_t> faultOffset{NoFault};
    GuardSlot* next = nullptr;  // fixed before the slot is published
};

static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

std::atomic<GuardSlot*> guardSlots{nullptr};

struct sigaction previousSigbus;
std::uintptr_t pageSize = 0;

GuardSlot* AcquireSlot() {
    for (GuardSlot* slot = guardSlots.load(std::memory_order_acquire); slot; slot = slot->next) {
        bool free = false;
        if (slot->inUse.compare_exchange_strong(free, true)) return slot;
    }
    auto* slot = new GuardSlot;  // deliberately never freed, see GuardSlot
    slot->inUse.store(true);
    slot->next = guardSlots.load(std::memory_order_relaxed);
    while (!guardSlots.compare_exchange_weak(slot->next, slot, std::memory_order_release,
                                             std::memory_order_relaxed)) {
    }
    return slot;
}

void ReleaseSlot(GuardSlot& slot) {
    slot.end.store(0);
    slot.begin.store(0);
    slot.cut.store(false);
    slot.faultOffset.store(NoFault);
    slot.inUse.store(false);
}

// Replaces the slot's mapping from the faulting page to its end with zero
// pages. mmap is a plain system call on the platforms we run on, so calling
// it from the handler is safe in practice though POSIX does not list it.
bool CutMapping(GuardSlot& slot, std::uintptr_t address, std::uintptr_t begin, std::uintptr_t end) {
    const std::uintptr_t page = address & ~(pageSize - 1);
    void* zeros = mmap(reinterpret_cast<void*>(page), end - page, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros == MAP_FAILED) return false;
    const std::uint64_t offset = address - begin;
    if (offset < slot.faultOffset.load(std::memory_order_relaxed))
        slot.faultOffset.store(offset, std::memory_order_relaxed);
    slot.cut.store(true, std::memory_order_relaxed);
    return true;
}

// Hands a SIGBUS that is not ours to whatever was installed before the guard.
void PassOn(int signal, siginfo_t* info, void* context) {
    if (previousSigbus.sa_flags & SA_SIGINFO) {
        if (previousSigbus.sa_sigaction) {
            previousSigbus.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previousSigbus.sa_handler == SIG_IGN) {
        // A sent signal can be ignored; a fault cannot, and comes back at once.
        if (info->si_code <= 0) return;
    } else if (previousSigbus.sa_handler != SIG_DFL) {
        previousSigbus.sa_handler(signal);
        return;
    }
    // Back to the previous disposition, then raised again: the signal stays
    // pending until this handler returns and then takes its default course.
    sigaction(SIGBUS, &previousSigbus, nullptr);
    raise(SIGBUS);
}

void OnSigbus(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (info->si_code > 0) {  // a fault, not a signal sent by a program
        for (GuardSlot* slot = guardSlots.load(std::memory_order_acquire); slot; slot = slot->next) {
            if (!slot->inUse.load(std::memory_order_relaxed)) continue;
            const std::uintptr_t begin = slot->begin.load(std::memory_order_relaxed);
            const std::uintptr_t end = slot->end.load(std::memory_order_relaxed);
            if (address < begin || address >= end) continue;
            if (CutMapping(*slot, address, begin, end)) {
                errno = savedErrno;
                return;
            }
            break;
        }
    }
    errno = savedErrno;
    PassOn(signal, info, context);
}

void InstallGuard() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnSigbus;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        if (sigaction(SIGBUS, &action, &previousSigbus) != 0)
            throw IOException("The guard for mapped files could not be installed: " +
                              std::generic_category().message(errno));
    });
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::generic_category().message(error);
}

// The part of [position, position + count) that lies inside [0, length).
struct Span {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t Size() const { return end - begin; }
};

Span Inside(std::int64_t position, std::uint64_t count, std::uint64_t length) {
    if (position >= 0) {
        const auto at = static_cast<std::uint64_t>(position);
        if (at >= length) return {};
        return {at, at + std::min(count, length - at)};
    }
    const std::uint64_t before = 0 - static_cast<std::uint64_t>(position);
    if (count <= before) return {};
    return {0, std::min(count - before, length)};
}

bool Fits(std::int64_t position, std::uint64_t count, std::uint64_t length) {
    if (position < 0) return false;
    const auto at = static_cast<std::uint64_t>(position);
    return at < length && count <= length - at;
}

std::int64_t Advance(std::int64_t position, std::uint64_t count) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(position) + count);
}

std::int32_t ComposeInt32(const unsigned char* bytes, bool littleEndian) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned char byte = bytes[littleEndian ? 3 - i : i];
        value = (value << 8) | byte;
    }
    return static_cast<std::int32_t>(value);
}

void SplitInt32(std::int32_t value, bool littleEndian, unsigned char* bytes) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(bits >> (24 - 8 * i));
        bytes[littleEndian ? 3 - i : i] = byte;
    }
}

}  // namespace

struct BinaryStream::Mapping {
    Mapping(int descriptor, GuardSlot& guardSlot) : fd(descriptor), slot(guardSlot) {}
    ~Mapping() {
        ReleaseSlot(slot);
        close(fd);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    std::uint64_t FileSize() const {
        struct stat status {};
        if (fstat(fd, &status) != 0)
            throw IOException(SystemError("The file's length could not be read", errno));
        return static_cast<std::uint64_t>(status.st_size);
    }

    int fd;
    GuardSlot& slot;
};

std::shared_ptr<BinaryStream> BinaryStream::Open(const std::string& path) {
    // O_NONBLOCK keeps a FIFO or a device from holding up the open; only
    // regular files are kept.
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    auto mapping = std::make_unique<Mapping>(fd, *AcquireSlot());
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // A file that opens but cannot be guarded or mapped (too large for the
    // address space, or on a file system that cannot map files shared) is no
    // stream either.
    try {
        InstallGuard();
        std::shared_ptr<BinaryStream> stream(new BinaryStream(std::move(mapping)));
        stream->Remap(static_cast<std::uint64_t>(status.st_size));
        return stream;
    } catch (const IOException&) {
        return nullptr;
    }
}

BinaryStream::BinaryStream(std::unique_ptr<Mapping> mapping)
    : cut_(&mapping->slot.cut), mapping_(std::move(mapping)) {}

BinaryStream::~BinaryStream() { Unmap(); }

void BinaryStream::Unmap() {
    if (!data_) return;
    mapping_->slot.end.store(0);
    mapping_->slot.begin.store(0);
    munmap(data_, length_);
    data_ = nullptr;
    length_ = 0;
}

void BinaryStream::Remap(std::uint64_t size) {
    Unmap();
    if (size == 0) return;
    if (size > std::numeric_limits<std::size_t>::max())
        throw IOException("The file is too large to be mapped");
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, mapping_->fd, 0);
    if (data == MAP_FAILED) throw IOException(SystemError("The file could not be mapped", errno));
    data_ = static_cast<unsigned char*>(data);
    length_ = size;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    mapping_->slot.begin.store(begin);
    mapping_->slot.end.store(begin + size);
}

void BinaryStream::Resync() {
    GuardSlot& slot = mapping_->slot;
    const std::uint64_t fault = slot.faultOffset.exchange(NoFault);
    slot.cut.store(false);
    const std::uint64_t size = mapping_->FileSize();
    Remap(size);
    // A fault on a byte that is still inside the file was no shortening but
    // the system failing to read the page.
    if (fault < size)
        throw IOException(SystemError("The file could not be accessed at byte " +
                                          std::to_string(fault),
                                      EIO));
}

std::int64_t BinaryStream::Length() {
    if (Cut()) Resync();
    const std::uint64_t size = mapping_->FileSize();
    if (size != length_) Remap(size);
    return static_cast<std::int64_t>(size);
}

void BinaryStream::Fetch(std::int64_t position, std::size_t count, unsigned char* out) {
    for (;;) {
        if (Cut()) Resync();
        std::memset(out, 0, count);
        const Span span = Inside(position, count, length_);
        if (span.Size() > 0) {
            const std::uint64_t into = span.begin - static_cast<std::uint64_t>(position);
            (void)Peek(span.end - 1);  // see Peek
            std::memcpy(out + into, data_ + span.begin, span.Size());
        }
        if (!Cut()) return;
    }
}

std::int8_t BinaryStream::ReadInt8Slow() {
    unsigned char byte = 0;
    Fetch(position_, 1, &byte);
    position_ = Advance(position_, 1);
    return static_cast<std::int8_t>(byte);
}

std::string BinaryStream::ReadSlow(std::int32_t count) {
    if (count <= 0) return {};
    for (;;) {
        if (Cut()) Resync();
        const Span span = Inside(position_, static_cast<std::uint64_t>(count), length_);
        if (span.Size() == 0) {
            if (Cut()) continue;
            position_ = Advance(position_, static_cast<std::uint64_t>(count));
            return {};
        }
        (void)Peek(span.end - 1);  // see Peek
        std::string bytes(reinterpret_cast<const char*>(data_) + span.begin, span.Size());
        if (Cut()) continue;
        position_ = Advance(position_, static_cast<std::uint64_t>(count));
        return bytes;
    }
}

std::int32_t BinaryStream::ReadInt32Slow() {
    unsigned char bytes[4] = {};
    Fetch(position_, sizeof bytes, bytes);
    position_ = Advance(position_, sizeof bytes);
    return ComposeInt32(bytes, littleEndian_);
}

void BinaryStream::WriteInt8Slow(std::int8_t value) {
    const auto byte = static_cast<unsigned char>(value);
    Store(&byte, 1);
}

void BinaryStream::ThrowWriteCut() {
    // The byte's page lay past the file's new end, so nothing reached the file.
    Resync();
    throw IOException(ShortenedMessage);
}

void BinaryStream::WriteInt32(std::int32_t value) {
    unsigned char bytes[4];
    SplitInt32(value, littleEndian_, bytes);
    Store(bytes, sizeof bytes);
}

void BinaryStream::WritePString(const std::string& text) {
    if (text.size() > MaxPStringLength)
        throw OutOfBoundsException("A length-prefixed text holds at most 255 bytes, not " +
                                   std::to_string(text.size()));
    unsigned char bytes[MaxStore];
    bytes[0] = static_cast<unsigned char>(text.size());
    std::memcpy(bytes + 1, text.data(), text.size());
    Store(bytes, text.size() + 1);
}

void BinaryStream::Store(const unsigned char* bytes, std::size_t count) {
    assert(count > 0 && count <= MaxStore);
    const std::int64_t at = position_;
    unsigned char saved[MaxStore];
    for (;;) {
        if (Cut()) Resync();
        if (!Fits(at, count, length_))
            throw IOException("A write at position " + std::to_string(at) + " would reach outside the " +
                              std::to_string(length_) + "-byte file");
        (void)Peek(static_cast<std::uint64_t>(at) + count - 1);  // see Peek
        std::memcpy(saved, data_ + at, count);
        if (!Cut()) break;
    }
    std::memcpy(data_ + at, bytes, count);
    if (Cut()) {
        // Part of the write may have reached what is still the file: put its
        // old bytes back, since a refused write writes nothing.
        Resync();
        const Span kept = Inside(at, count, length_);
        if (kept.Size() > 0) std::memcpy(data_ + kept.begin, saved, kept.Size());
        if (Cut()) Resync();
        throw IOException(ShortenedMessage);
    }
    position_ = Advance(at, count);
}

}  // namespace fw
