#pragma once

#include <cstddef>
#include <functional>

#include "tests/support/Sanitizers.h"

// The stack a deep input must fit into: a quarter of the 1 MiB the main thread gets on Windows;
// four times as much under AddressSanitizer.
constexpr std::size_t kSmallStackBytes = 256 * 1024 * (kSanitized ? 4 : 1);

// Runs `action` on a new thread with a stack of `stackBytes`, waits for it to end and passes on
// whatever it threw. Input that drives recursion runs here, so a missing depth bound shows as a
// crash of the test instead of passing on a roomy main-thread stack.
void RunOnSmallStack(const std::function<void()>& action, std::size_t stackBytes = kSmallStackBytes);
