// Mirroring in place: the horizontal flip, and with the rows trading places too, the half
// turn. 24-bit rows are reversed 16 pixels at a time with byte shuffles when the processor has
// SSSE3; 1-bit rows 64 bits at a time.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/rotate.h"
#include "imaging/proc/simd_x86.h"

namespace kx {

namespace {

// Swaps pixel x of row `a` with pixel w - 1 - x of row `b` for x below `end`, one at a time.
void MirrorPixels24(uint8_t* a, uint8_t* b, int32_t w, int32_t x, int32_t end) {
  for (; x < end; ++x) {
    uint8_t* p = a + 3 * intptr_t(x);
    uint8_t* q = b + 3 * intptr_t(w - 1 - x);
    std::swap(p[0], q[0]), std::swap(p[1], q[1]), std::swap(p[2], q[2]);
  }
}

#if defined(KX_X86)
// Byte j of register r of 16 mirrored pixels (48 bytes) is byte kMirrorMasks[r][s][j] of
// register s of the pixels as they were (0x80: not from that register).
constexpr std::array<TPickMasks, 3> kMirrorMasks = [] {
  std::array<TPickMasks, 3> m{};
  for (int r = 0; r < 3; ++r)
    m[size_t(r)] = KXPickMasks([r](int j) {
      const int to = 16 * r + j;
      return 3 * (15 - to / 3) + to % 3;
    });
  return m;
}();
static_assert(kMirrorMasks[0][0][0] == 0x80 && kMirrorMasks[0][0][15] == 0x80 && kMirrorMasks[2][2][0] == 0x80,
              "the first 16 mirrored bytes need nothing of the first register, the last nothing of the last");

struct TMirrorMasks {
  __m128i m01, m02, m10, m11, m12, m20, m21;
};

struct TPixels16 {
  __m128i r0, r1, r2;
};

// The 16 pixels at `p`, mirrored.
KX_SSSE3 inline TPixels16 Mirror16(const uint8_t* p, const TMirrorMasks& k) {
  const __m128i in0 = Load16(p), in1 = Load16(p + 16), in2 = Load16(p + 32);
  return {_mm_or_si128(_mm_shuffle_epi8(in1, k.m01), _mm_shuffle_epi8(in2, k.m02)),
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in0, k.m10), _mm_shuffle_epi8(in1, k.m11)),
                       _mm_shuffle_epi8(in2, k.m12)),
          _mm_or_si128(_mm_shuffle_epi8(in0, k.m20), _mm_shuffle_epi8(in1, k.m21))};
}

KX_SSSE3 inline void Store48(uint8_t* p, const TPixels16& v) {
  Store16(p, v.r0), Store16(p + 16, v.r1), Store16(p + 32, v.r2);
}

// MirrorPixels24 16 pixels at a time, as far as whole groups go (a row mirrored in itself
// only while the two groups do not meet); returns where it stopped.
KX_SSSE3 int32_t MirrorGroups24(uint8_t* a, uint8_t* b, int32_t w) {
  const auto& m = kMirrorMasks;
  const TMirrorMasks k{Load16(m[0][1].data()), Load16(m[0][2].data()), Load16(m[1][0].data()), Load16(m[1][1].data()),
                       Load16(m[1][2].data()), Load16(m[2][0].data()), Load16(m[2][1].data())};
  int32_t x = 0;
  for (; a == b ? 2 * x + 32 <= w : x + 16 <= w; x += 16) {
    uint8_t* p = a + 3 * intptr_t(x);
    uint8_t* q = b + 3 * intptr_t(w - 16 - x);
    // One stream climbs and one descends through memory; fetching both well ahead keeps the
    // memory busy while the shuffles run.
    FetchAhead<1>(p, 1024);
    FetchAhead<1>(q, -1024);
    const TPixels16 fromP = Mirror16(p, k), fromQ = Mirror16(q, k);
    Store48(p, fromQ);
    Store48(q, fromP);
  }
  return x;
}
#endif

// Row `a` takes row `b` mirrored and `b` takes `a` mirrored; a row given twice mirrors itself.
void MirrorPair24(uint8_t* a, uint8_t* b, int32_t w) {
  int32_t x = 0;
#if defined(KX_X86)
  if (HasSsse3()) x = MirrorGroups24(a, b, w);
#endif
  MirrorPixels24(a, b, w, x, a == b ? w / 2 : w);
}

// Reverses the bits of each byte.
uint64_t ReverseBitsInBytes(uint64_t v) {
  v = (v >> 4 & 0x0F0F0F0F0F0F0F0Full) | (v & 0x0F0F0F0F0F0F0F0Full) << 4;
  v = (v >> 2 & 0x3333333333333333ull) | (v & 0x3333333333333333ull) << 2;
  return (v >> 1 & 0x5555555555555555ull) | (v & 0x5555555555555555ull) << 1;
}

// `to` (another row) takes the w pixels of `from` mirrored: byte i is byte n - 1 - i with its
// bits reversed (n bytes in all), moved up by the unused bits of the last byte, which come out
// zero.
void MirrorBits(const uint8_t* from, uint8_t* to, int32_t w) {
  const int32_t n = int32_t(OneBitRowBytes(w)), shift = 8 * n - w;
  int32_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Eight bytes at a time: the little-endian word that ends at byte n - 1 - i, its bits
    // reversed byte by byte, is the big-endian word of mirrored bytes i..i+7; the next word's
    // top bits fill in behind the shift.
    auto mirrored = [&](int32_t j) {
      uint64_t v;
      std::memcpy(&v, from + n - 8 - j, 8);
      return ReverseBitsInBytes(v);
    };
    for (; i + 16 <= n; i += 8) {
      const uint64_t word = shift ? mirrored(i) << shift | mirrored(i + 8) >> (64 - shift) : mirrored(i);
      const uint64_t bytes = __builtin_bswap64(word);
      std::memcpy(to + i, &bytes, 8);
    }
  }
  for (; i < n; ++i) {
    const unsigned high = uint8_t(ReverseBitsInBytes(from[n - 1 - i]));
    const unsigned low = i + 1 < n ? uint8_t(ReverseBitsInBytes(from[n - 2 - i])) : 0;
    to[i] = uint8_t(high << shift | low >> (8 - shift));
  }
}

}  // namespace

void KXMirror(TBitmap& bitmap, bool upsideDown) {
  const int bits = bitmap.BitCount();
  if (bitmap.Empty() || (bits != 24 && bits != 1)) return;
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> copy(bits == 1 ? OneBitRowBytes(w) : 0);
  for (int32_t y = 0; y < (upsideDown ? (h + 1) / 2 : h); ++y) {
    uint8_t* a = bitmap.ScanLine(y);
    uint8_t* b = upsideDown ? bitmap.ScanLine(h - 1 - y) : a;
    if (bits == 24) {
      MirrorPair24(a, b, w);
      continue;
    }
    std::memcpy(copy.data(), a, copy.size());
    MirrorBits(a == b ? copy.data() : b, a, w);
    if (a != b) MirrorBits(copy.data(), b, w);
  }
}

}  // namespace kx
