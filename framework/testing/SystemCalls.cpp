#include "framework/testing/SystemCalls.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>

// The linker routes each of these calls, made anywhere in the statically
// linked code, to __wrap_<name> (--wrap in framework/CMakeLists.txt); the
// real call is __real_<name>. The count is a lock-free atomic, since the
// stream's SIGBUS guard maps pages from inside its signal handler.

namespace {

std::atomic<std::uint64_t> calls{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

void Count() { calls.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

extern "C" {

int __real_open(const char* path, int flags, ...);
int __real_fstat(int fd, struct stat* status);
int __real_fcntl(int fd, int command, ...);
void* __real_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int __real_munmap(void* address, size_t length);
int __real_close(int fd);
int __real_sigaction(int signal, const struct sigaction* action, struct sigaction* previous);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list rest;
        va_start(rest, flags);
        mode = va_arg(rest, mode_t);
        va_end(rest);
    }
    Count();
    return __real_open(path, flags, mode);
}

int __wrap_fstat(int fd, struct stat* status) {
    Count();
    return __real_fstat(fd, status);
}

// Every fcntl command takes at most one argument, an int or a pointer, which
// is passed on as a pointer-sized value.
int __wrap_fcntl(int fd, int command, ...) {
    va_list rest;
    va_start(rest, command);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    Count();
    return __real_fcntl(fd, command, argument);
}

void* __wrap_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    Count();
    return __real_mmap(address, length, protection, flags, fd, offset);
}

int __wrap_munmap(void* address, size_t length) {
    Count();
    return __real_munmap(address, length);
}

int __wrap_close(int fd) {
    Count();
    return __real_close(fd);
}

int __wrap_sigaction(int signal, const struct sigaction* action, struct sigaction* previous) {
    Count();
    return __real_sigaction(signal, action, previous);
}

}  // extern "C"

namespace fw::testing {

std::uint64_t StreamSystemCalls() { return calls.load(std::memory_order_relaxed); }

}  // namespace fw::testing
