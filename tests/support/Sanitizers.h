#pragma once

namespace testsupport {

// Whether this build runs under AddressSanitizer: its own signal handlers come
// first, and its checks make every call many times slower, so tests of
// timings and of signal dispositions mean nothing there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderAddressSanitizer = true;
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif

}  // namespace testsupport
