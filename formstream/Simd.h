#pragma once

// The vector paths take SSE2 on x86-64. QUORVEL_PORTABLE builds the plain paths that every other
// machine takes; the tests are built both ways.
#if defined(__SSE2__) && defined(__x86_64__) && !defined(QUORVEL_PORTABLE)
#define QUORVEL_SSE2 1
#include <emmintrin.h>
#endif
