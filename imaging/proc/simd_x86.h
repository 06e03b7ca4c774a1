// Helpers of the wide pixel loops: prefetching, and for SSSE3 paths the attribute that compiles a
// function for SSSE3 and the run-time test that decides whether it may run, so one build serves
// every x86-64 processor.
#pragma once

#include <array>
#include <cstdint>

namespace kx {

// Byte shuffles that pick 16 bytes out of 48 held in three registers: byte j of the result is
// byte from(j) of the 48, and masks [reg] take from register reg the bytes that lie there
// (0x80, a zero, elsewhere), so that OR-ing the three shuffles gives the result.
using TPickMasks = std::array<std::array<uint8_t, 16>, 3>;
template <typename From>
constexpr TPickMasks KXPickMasks(From from) {
  TPickMasks m{};
  for (int reg = 0; reg < 3; ++reg)
    for (int j = 0; j < 16; ++j) {
      const int at = from(j);
      m[size_t(reg)][size_t(j)] = at / 16 == reg ? uint8_t(at % 16) : uint8_t(0x80);
    }
  return m;
}

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

// The 16 bytes that `masks` pick out of v[0..2].
KX_SSSE3 inline __m128i Pick(const __m128i (&v)[3], const TPickMasks& masks) {
  __m128i out = _mm_shuffle_epi8(v[0], Load16(masks[0].data()));
  out = _mm_or_si128(out, _mm_shuffle_epi8(v[1], Load16(masks[1].data())));
  return _mm_or_si128(out, _mm_shuffle_epi8(v[2], Load16(masks[2].data())));
}

}  // namespace kx
#endif
