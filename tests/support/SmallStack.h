#pragma once

#include <cstddef>
#include <functional>

// The stack a deep input must fit into: a quarter of the 1 MiB the main thread gets on Windows.
// AddressSanitizer puts red zones around every local and the sanitizer build does not optimise,
// which makes each frame several times larger; there the thread gets four times as much.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_STACK_SCALE 4
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_STACK_SCALE 4
#endif
#endif
#ifndef QUORVEL_STACK_SCALE
#define QUORVEL_STACK_SCALE 1
#endif
constexpr std::size_t kSmallStackBytes = 256 * 1024 * QUORVEL_STACK_SCALE;

// Runs `action` on a new thread with a stack of `stackBytes`, waits for it to end and passes on
// whatever it threw. Input that drives recursion runs here, so a missing depth bound shows as a
// crash of the test instead of passing on a roomy main-thread stack.
void RunOnSmallStack(const std::function<void()>& action, std::size_t stackBytes = kSmallStackBytes);
