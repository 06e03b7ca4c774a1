// Helpers of the wide pixel loops: prefetching, and for SSSE3 paths the attribute that compiles a
// function for SSSE3 and the run-time test that decides whether it may run, so one build serves
// every x86-64 processor.
#pragma once

#include <cstdint>

namespace kx {

// Asks for the cache line `offset` bytes from `p` ahead of its use (for writing when `kWrite`).
// The address may lie outside the picture: a prefetch never faults.
template <int kWrite = 0>
inline void FetchAhead(const void* p, intptr_t offset) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + uintptr_t(offset)), kWrite);
}

}  // namespace kx

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define KX_X86 1
// Code that uses SSSE3 instructions; it runs only when HasSsse3 says the processor has them.
#define KX_SSSE3 __attribute__((target("ssse3")))

namespace kx {

inline bool HasSsse3() {
#if defined(__SSSE3__)
  return true;
#else
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#endif
}

KX_SSSE3 inline __m128i Load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
KX_SSSE3 inline void Store16(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

}  // namespace kx
#endif
