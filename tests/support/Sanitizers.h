#pragma once

// Whether this build runs under AddressSanitizer. Its red zones make every stack frame several
// times larger, and the sanitizer build does not optimise: tests give it more stack, and the
// longest exhaustive sweeps take a sample there.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef QUORVEL_ADDRESS_SANITIZER
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
