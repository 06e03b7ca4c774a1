// Rotation. Quarter turns build the result in a new bitmap and hand its block over. 24-bit
// pictures go through 4 x 4 pixel transposes in SSSE3 registers when the processor has them,
// in bands of destination rows, so that the source rows are read in runs and every
// destination row is written front to back; 1-bit pictures go through 8 x 8 bit-matrix
// transposes. The half turn and the mirror reverse rows in place, 16 pixels at a time with
// byte shuffles. The three-shear rotation works on plain byte buffers in fixed point (weights
// out of 4096) and touches each pixel three times. The 1-bit rotation maps every output pixel
// back onto the source.
#include "imaging/proc/rotate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "imaging/core/bitmap_copy.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/proc.h"
#include "platform/memory.h"

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define KX_X86 1
// Code that uses SSSE3 instructions; it runs only when HasSsse3 says the processor has them.
#define KX_SSSE3 __attribute__((target("ssse3")))
#endif

namespace kx {

namespace {

inline bool GetBit(const uint8_t* row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void PutBit(uint8_t* row, int64_t x, bool on) {
  const uint8_t bit = uint8_t(0x80 >> (x & 7));
  row[x >> 3] = on ? row[x >> 3] | bit : row[x >> 3] & uint8_t(~bit);
}

// Where the pixels of a quarter turn of a w x h source come from: destination row y is source
// column Column(y) (which is also the destination row of source column y), and destination
// column x lies on source row Row(x); Step() leads to the next destination column's row.
struct TTurnSource {
  const uint8_t* top;
  intptr_t stride;
  int32_t w, h;
  bool ccw;
  const uint8_t* Row(int32_t x) const { return top + stride * (ccw ? x : h - 1 - x); }
  intptr_t Step() const { return ccw ? stride : -stride; }
  int32_t Column(int32_t y) const { return ccw ? w - 1 - y : y; }
};

// Destination row y, columns x0..x1-1 of a 24-bit turn, one pixel at a time.
void TurnRow24(const TTurnSource& t, uint8_t* row, int32_t y, int32_t x0, int32_t x1) {
  if (x0 >= x1) return;
  const intptr_t step = t.Step();
  const uint8_t* s = t.Row(x0) + 3 * intptr_t(t.Column(y));
  uint8_t* d = row + 3 * intptr_t(x0);
  for (intptr_t i = 0; i < x1 - x0; ++i) {
    const uint8_t* p = s + step * i;
    d[3 * i] = p[0], d[3 * i + 1] = p[1], d[3 * i + 2] = p[2];
  }
}

// Columns x..x+15 of the destination rows y0..y1-1 (whole blocks of 4 rows).
using TTurnStrip = void (*)(const TTurnSource& t, uint8_t* dtop, intptr_t dstride, int32_t x, int32_t y0, int32_t y1);

void TurnStrip24(const TTurnSource& t, uint8_t* dtop, intptr_t dstride, int32_t x, int32_t y0, int32_t y1) {
  for (int32_t y = y0; y < y1; ++y) TurnRow24(t, dtop + dstride * y, y, x, x + 16);
}

#if defined(KX_X86)
bool HasSsse3() {
#if defined(__SSSE3__)
  return true;
#else
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#endif
}

// Asks for the cache line `offset` bytes from `p` ahead of its use (for writing when `kWrite`).
// The address may lie outside the picture: a prefetch never faults.
template <int kWrite = 0>
inline void FetchAhead(const void* p, intptr_t offset) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + uintptr_t(offset)), kWrite);
}

KX_SSSE3 inline __m128i Load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
KX_SSSE3 inline void Store16(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// Loads 4 pixels of a source row (16 bytes), fetching the same row `ahead` bytes further on:
// each block reads 12 bytes further along the same 16 source rows, which lie too far apart for
// the processor to see the pattern by itself.
KX_SSSE3 inline __m128i LoadSpread(const uint8_t* s, intptr_t ahead, __m128i spread) {
  FetchAhead(s, ahead);
  return _mm_shuffle_epi8(Load16(s), spread);
}

// The strip in registers, block by block of 4 rows x 16 columns: four groups of 4 source rows
// are each loaded 4 pixels wide, spread to one pixel per 32-bit lane, transposed 4 x 4 and
// packed back to 12 bytes per destination row. A group's 16-byte store runs 4 zero bytes past
// its 12, which the next group, the row's remaining columns or its padding take, so the strip
// has to end 4 bytes before the row does; the 16-byte loads need 16 bytes of source row from
// the block's lowest source column on.
KX_SSSE3 void TurnStrip24Ssse3(const TTurnSource& t, uint8_t* dtop, intptr_t dstride, int32_t x, int32_t y0,
                               int32_t y1) {
  // Lane k: the pixel of the block's destination row k, at source column c + k clockwise and
  // c + 3 - k counter-clockwise (c the block's lowest source column).
  const __m128i spread = t.ccw ? _mm_setr_epi8(9, 10, 11, -1, 6, 7, 8, -1, 3, 4, 5, -1, 0, 1, 2, -1)
                               : _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const intptr_t step = t.Step(), ahead = t.ccw ? 128 : -128;
  const uint8_t* first = t.Row(x);
  // The blocks go up from the strip's bottom row: rows are stored bottom-up, so the stores
  // climb through memory, which the processor handles best.
  for (int32_t y = y1 - 4; y >= y0; y -= 4) {
    const uint8_t* g = first + 3 * intptr_t(t.ccw ? t.w - 4 - y : y);
    uint8_t* d = dtop + dstride * y + 3 * intptr_t(x);
    for (int32_t k = 0; k < 48; k += 12, g += 4 * step) {
      const __m128i a0 = LoadSpread(g, ahead, spread), a1 = LoadSpread(g + step, ahead, spread);
      const __m128i a2 = LoadSpread(g + 2 * step, ahead, spread), a3 = LoadSpread(g + 3 * step, ahead, spread);
      const __m128i lo01 = _mm_unpacklo_epi32(a0, a1), lo23 = _mm_unpacklo_epi32(a2, a3);
      const __m128i hi01 = _mm_unpackhi_epi32(a0, a1), hi23 = _mm_unpackhi_epi32(a2, a3);
      Store16(d + k, _mm_shuffle_epi8(_mm_unpacklo_epi64(lo01, lo23), pack));
      Store16(d + dstride + k, _mm_shuffle_epi8(_mm_unpackhi_epi64(lo01, lo23), pack));
      Store16(d + 2 * dstride + k, _mm_shuffle_epi8(_mm_unpacklo_epi64(hi01, hi23), pack));
      Store16(d + 3 * dstride + k, _mm_shuffle_epi8(_mm_unpackhi_epi64(hi01, hi23), pack));
    }
  }
}
#endif

// Destination rows per band. Each strip of a band reads its 16 source rows in runs of 3 bytes
// per band row, and the band's rows, 48 bytes per strip, stay in the second-level cache until
// the next strip completes their cache lines; on 12-megapixel pictures 1024 rows beat both
// narrower and wider bands.
constexpr int32_t kTurnBand = 1024;
static_assert(kTurnBand % 4 == 0, "bands hold whole blocks");

void QuarterTurn24(const TBitmap& source, TBitmap& dest, bool ccw) {
  const TTurnSource t{source.ScanLine(0), source.Stride(), source.Width(), source.Height(), ccw};
  uint8_t* dtop = dest.ScanLine(0);
  const intptr_t dstride = dest.Stride();
  // Strips cover the destination rows from..to-1 and the columns 0..columns-1; the rest goes
  // pixel by pixel.
  TTurnStrip strip = TurnStrip24;
  int32_t from = 0, to = t.w, columns = t.h / 16 * 16;
#if defined(KX_X86)
  if (HasSsse3()) {
    strip = TurnStrip24Ssse3;
    int32_t blocks = 0;
    if (source.RowLen() >= 16 && t.w >= 4) {
      const int32_t lastColumn = (source.RowLen() - 16) / 3;  // where a 16-byte load may start
      from = ccw ? std::max(0, t.w - 4 - lastColumn) : 0;
      const int32_t lastBlock = ccw ? t.w - 4 : std::min(t.w - 4, lastColumn);
      if (lastBlock >= from) blocks = (lastBlock - from) / 4 + 1;
    }
    to = from + 4 * blocks;
    columns = blocks ? 16 * ((dest.RowLen() - 4) / 48) : 0;
  }
#endif
  for (int32_t y0 = from; y0 < to; y0 += kTurnBand) {
    const int32_t y1 = std::min(y0 + kTurnBand, to);
    for (int32_t x = 0; x < columns; x += 16) strip(t, dtop, dstride, x, y0, y1);
    for (int32_t y = y0; y < y1; ++y) TurnRow24(t, dtop + dstride * y, y, columns, t.h);
  }
  for (int32_t y = 0; y < t.w; ++y)
    if (y < from || y >= to) TurnRow24(t, dtop + dstride * y, y, 0, t.h);
}

// Transposes the 8 x 8 bit matrix whose row i is byte i from the top (its first pixel in the
// high bit) by exchanging ever larger sub-blocks across the diagonal.
uint64_t Transpose8(uint64_t m) {
  uint64_t t = (m ^ (m >> 7)) & 0x00AA00AA00AA00AAull;
  m ^= t ^ (t << 7);
  t = (m ^ (m >> 14)) & 0x0000CCCC0000CCCCull;
  m ^= t ^ (t << 14);
  t = (m ^ (m >> 28)) & 0x00000000F0F0F0F0ull;
  return m ^ t ^ (t << 28);
}

// A 1-bit turn in 8 x 8 blocks: byte k of the source rows of 8 destination columns holds 8
// source columns, which the transpose makes into one byte of each of 8 destination rows.
void QuarterTurn1(const TBitmap& source, TBitmap& dest, bool ccw) {
  const TTurnSource t{source.ScanLine(0), source.Stride(), source.Width(), source.Height(), ccw};
  uint8_t* dtop = dest.ScanLine(0);
  const intptr_t dstride = dest.Stride();
  for (int32_t k = 0; k < (t.w + 7) / 8; ++k) {
    const int32_t columns = std::min(8, t.w - 8 * k);
    for (int32_t x0 = 0; x0 < t.h; x0 += 8) {
      uint64_t m = 0;
      const uint8_t* s = t.Row(x0) + k;
      for (int32_t i = 0, rows = std::min(8, t.h - x0); i < rows; ++i) m |= uint64_t(s[t.Step() * i]) << (56 - 8 * i);
      m = Transpose8(m);
      for (int32_t j = 0, y = t.Column(8 * k); j < columns; ++j, y += t.ccw ? -1 : 1)
        dtop[dstride * y + x0 / 8] = uint8_t(m >> (56 - 8 * j));
    }
  }
}

// `dest` becomes the quarter turn of a 24- or 1-bit `source`, in a new zero-filled block.
void QuarterTurn(const TBitmap& source, TBitmap& dest, bool ccw) {
  if (&source == &dest) return;
  dest.SetSize(0, 0);
  dest.SetPixelFormat(source.PixelFormat());
  dest.SetSize(source.Height(), source.Width());
  if (dest.Empty()) return;
  if (source.BitCount() == 24)
    QuarterTurn24(source, dest, ccw);
  else if (source.BitCount() == 1)
    QuarterTurn1(source, dest, ccw);
}

// A quarter turn of the bitmap itself: the new block replaces the old one, the colour table
// stays.
void TurnInPlace(TBitmap& bitmap, bool ccw) {
  TBitmap turned;
  QuarterTurn(bitmap, turned, ccw);
  bitmap.Swap(turned);
  bitmap.SetPalette(turned.Palette());
}

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
constexpr auto kMirrorMasks = [] {
  std::array<std::array<std::array<uint8_t, 16>, 3>, 3> m{};
  for (int r = 0; r < 3; ++r)
    for (int s = 0; s < 3; ++s)
      for (int j = 0; j < 16; ++j) {
        const int to = 16 * r + j, from = 3 * (15 - to / 3) + to % 3;
        m[size_t(r)][size_t(s)][size_t(j)] = from / 16 == s ? uint8_t(from % 16) : 0x80;
      }
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
  const int32_t n = (w + 7) / 8, shift = 8 * n - w;
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

inline uint8_t Blend(uint8_t prev, uint8_t cur, int32_t v, int32_t w) {
  return uint8_t(std::clamp((prev * v + cur * w + 2048) >> 12, 0, 255));
}

// Writes `n` pixels of `src` (step `sstep` bytes) to `dst` at positions u..u+n-1 of a line of
// `len` pixels (step `dstep`), then the trailing blend; `prev` starts as the background.
void ShearLine(const uint8_t* src, intptr_t sstep, int32_t n, uint8_t* dst, intptr_t dstep, int32_t len, int64_t u,
               int32_t v, int32_t w, bool antialias, const TRGB& bg) {
  uint8_t prev[3] = {bg.b, bg.g, bg.r};
  const int64_t first = std::max<int64_t>(0, -u), last = std::min<int64_t>(n, len - u);
  for (int64_t k = first; k < last; ++k) {
    const uint8_t* s = src + sstep * k;
    uint8_t* d = dst + dstep * (u + k);
    if (antialias) {
      d[0] = Blend(prev[0], s[0], v, w), d[1] = Blend(prev[1], s[1], v, w), d[2] = Blend(prev[2], s[2], v, w);
    } else {
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
    }
    prev[0] = s[0], prev[1] = s[1], prev[2] = s[2];
  }
  const int64_t tail = u + n;
  if (antialias && v > 0 && tail >= 0 && tail < len) {
    uint8_t* d = dst + dstep * tail;
    d[0] = Blend(prev[0], bg.b, v, w), d[1] = Blend(prev[1], bg.g, v, w), d[2] = Blend(prev[2], bg.r, v, w);
  }
}

void FillLine(uint8_t* dst, intptr_t step, int64_t len, const TRGB& bg) {
  for (int64_t k = 0; k < len; ++k) std::memcpy(dst + step * k, &bg, 3);
}

int64_t Nearest(double x) { return int64_t(std::nearbyint(x)); }

struct TShearSizes {
  int64_t W1, d1, H2, h3, W3;  // H2 is the final height
};

TShearSizes ShearSizes(int64_t W, int64_t H, double t, double s) {
  TShearSizes z;
  z.W1 = Nearest(double(H) * t + double(W) + 1);
  z.d1 = Nearest(double(z.W1 - W) * s);
  const int64_t tall = Nearest(double(z.W1) * s + double(H) + 1);
  z.h3 = Nearest(double(tall - H - z.d1) * t);
  z.H2 = tall - 2 * z.d1;
  z.W3 = Nearest(double(z.H2) * t + double(z.W1) + 1 - double(2 * z.h3));
  return z;
}

}  // namespace

bool KXShearRotateAllowed(int64_t width, int64_t height, double angle) {
  const double r = angle * std::numbers::pi / 180;
  const TShearSizes z = ShearSizes(width, height, std::abs(std::sin(r / 2) / std::cos(r / 2)), std::abs(std::sin(r)));
  return KXPixelsAllowed(z.W1, height) && KXPixelsAllowed(z.W1, z.H2) && KXPixelsAllowed(z.W3, z.H2);
}

void _Rot90(const TBitmap& source, TBitmap& dest) { QuarterTurn(source, dest, true); }

void _Rot90o(const TBitmap& source, TBitmap& dest) { QuarterTurn(source, dest, false); }

void KXMirror(TBitmap& bitmap, bool upsideDown) {
  const int bits = bitmap.BitCount();
  if (bitmap.Empty() || (bits != 24 && bits != 1)) return;
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> copy(bits == 1 ? (size_t(w) + 7) / 8 : 0);
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

void KXShearRotate(const TBitmap& source, TBitmap& dest, double angle, bool antialias, TRGB bg,
                   TProgressRec& progress) {
  if (source.BitCount() != 24 || source.Empty()) return;
  const int64_t W = source.Width(), H = source.Height();
  const double r = angle * std::numbers::pi / 180;
  const double t = std::abs(std::sin(r / 2) / std::cos(r / 2)), s = std::abs(std::sin(r));
  const TShearSizes z = ShearSizes(W, H, t, s);
  const int64_t W1 = z.W1, d1 = z.d1, H2 = z.H2, h3 = z.h3, W3 = z.W3;
  if (!KXShearRotateAllowed(W, H, angle)) return;

  progress.val = 0;
  progress.per1 = 100.0 / (double(H) + double(W1) + double(H2) + 0.5);
  auto step = [&progress] {
    progress.Report();
    ++progress.val;
  };
  const bool positive = r > 0;

  // Pass 1: rows sheared horizontally into W1 x H.
  const size_t row1 = size_t(W1) * 3;
  // Large buffers come as huge-page blocks: far fewer page faults than plain heap memory.
  const TBlock pass1 = KXAllocZeroedBlock(row1 * size_t(H));
  for (int64_t y = 0; y < H; ++y) {
    step();
    const double offset = positive ? double(y) * t : double(H - y) * t;
    const int64_t u = Nearest(offset);
    const int32_t v = int32_t((offset - double(u)) * 4096), w = 4096 - v;
    uint8_t* line = pass1.get() + row1 * size_t(y);
    FillLine(line, 3, W1, bg);
    ShearLine(source.ScanLine(int32_t(y)), 3, int32_t(W), line, 3, int32_t(W1), u, v, w, antialias, bg);
  }

  // Pass 2: columns sheared vertically into W1 x H2. Walked row by row, each column keeping its
  // own offset, weights and previous pixel, so that both buffers are read and written in order.
  const TBlock pass2 = KXAllocZeroedBlock(row1 * size_t(H2));
  for (int64_t k = 0; k < W1 * H2; ++k) std::memcpy(pass2.get() + 3 * k, &bg, 3);
  std::vector<int64_t> shift(static_cast<size_t>(W1));
  std::vector<int32_t> weightPrev(static_cast<size_t>(W1));
  std::vector<uint8_t> prev(row1);
  for (int64_t c = 0; c < W1; ++c) {
    step();
    const double offset = positive ? double(W1 - c) * s : double(c) * s;
    const int64_t u = Nearest(offset);
    weightPrev[size_t(c)] = int32_t(Nearest((offset - double(u)) * 4096));
    shift[size_t(c)] = u - d1;
    std::memcpy(prev.data() + 3 * c, &bg, 3);
  }
  for (int64_t y = 0; y < H; ++y) {
    const uint8_t* src = pass1.get() + row1 * size_t(y);
    for (int64_t c = 0; c < W1; ++c) {
      const int64_t row = y + shift[size_t(c)];
      if (row < 0 || row >= H2) continue;
      const uint8_t* cur = src + 3 * c;
      uint8_t* d = pass2.get() + row1 * size_t(row) + 3 * c;
      uint8_t* p = prev.data() + 3 * c;
      if (antialias) {
        const int32_t v = weightPrev[size_t(c)], w = 4096 - v;
        d[0] = Blend(p[0], cur[0], v, w), d[1] = Blend(p[1], cur[1], v, w), d[2] = Blend(p[2], cur[2], v, w);
      } else {
        d[0] = cur[0], d[1] = cur[1], d[2] = cur[2];
      }
      p[0] = cur[0], p[1] = cur[1], p[2] = cur[2];
    }
  }
  for (int64_t c = 0; antialias && c < W1; ++c) {
    const int64_t row = shift[size_t(c)] + H;
    const int32_t v = weightPrev[size_t(c)], w = 4096 - v;
    if (v <= 0 || row < 0 || row >= H2) continue;
    uint8_t* d = pass2.get() + row1 * size_t(row) + 3 * c;
    const uint8_t* p = prev.data() + 3 * c;
    d[0] = Blend(p[0], bg.b, v, w), d[1] = Blend(p[1], bg.g, v, w), d[2] = Blend(p[2], bg.r, v, w);
  }

  // Pass 3: rows sheared horizontally into the W3 x H2 result.
  dest.SetSize(0, 0);
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(int32_t(W3), int32_t(H2));
  for (int64_t y = 0; y < H2; ++y) {
    step();
    const double offset = positive ? double(y) * t : double(H2 - y) * t;
    int64_t u = Nearest(offset);
    const int32_t v = int32_t(Nearest((offset - double(u)) * 4096)), w = 4096 - v;
    u -= h3;
    uint8_t* line = dest.ScanLine(int32_t(y));
    FillLine(line, 3, W3, bg);
    ShearLine(pass2.get() + row1 * size_t(y), 3, int32_t(W1), line, 3, int32_t(W3), u, v, w, antialias, bg);
  }
}

void _rotate1bit(TBitmap& bitmap, bool fillBit, TProgressRec& progress, double angle) {
  if (bitmap.BitCount() != 1 || bitmap.Empty()) return;
  const double b = angle / -57.295779513082320877;
  const double c = std::trunc(std::cos(b) * 10000) / 10000, sn = std::trunc(std::sin(b) * 10000) / 10000;
  const int64_t W = bitmap.Width(), H = bitmap.Height();
  const int64_t l = int64_t(std::abs(double(W) * c) + std::abs(double(H) * sn));
  const int64_t m = int64_t(std::abs(double(W) * sn) + std::abs(c * double(H)));
  if (!KXPixelsAllowed(l, m)) return;
  auto reportRow = [&](int64_t row) {
    if (progress.fOnProgress.Assigned())
      progress.fOnProgress(progress.Sender, int(std::min<int64_t>(100, row * 100 / m)));
  };
  // A cosine or sine of exactly 0 makes the mapping below take every output pixel from one
  // source pixel without rounding: a quarter turn, the half turn or the picture as it is.
  const bool quarter = c == 0 && std::abs(sn) == 1, half = sn == 0 && c == -1, whole = sn == 0 && c == 1;
  if (quarter || half || whole) {
    if (quarter)
      TurnInPlace(bitmap, sn < 0);
    else if (half)
      KXMirror(bitmap, true);
    for (int64_t row = 0; row < m; ++row) reportRow(row);
    return;
  }
  TBitmap out(int32_t(l), int32_t(m), pf1bit);
  const double cx = double(W) / 2 - 0.5, cy = double(H) / 2 - 0.5;
  const double ox = double(l) / 2 - 0.5, oy = double(m) / 2 - 0.5;
  for (int64_t row = 0; row < m; ++row) {
    const double o = double(row) - oy;
    uint8_t* drow = out.ScanLine(int32_t(row));
    for (int64_t col = 0; col < l; ++col) {
      const double q = double(col) - ox;
      // Floor, not truncation: a point just left of or above the picture lies outside it.
      const double fx = std::floor(cx + c * q + sn * o), fy = std::floor(cy - sn * q + c * o);
      const bool inside = fx >= 0 && fy >= 0 && fx < double(W) && fy < double(H);
      PutBit(drow, col, inside ? GetBit(bitmap.ScanLine(int32_t(fy)), int64_t(fx)) : fillBit);
    }
    reportRow(row);
  }
  KXCopyBitmap(out, bitmap);
}

void TKestrixProc::Rotate(int32_t angle, bool antialias) {
  if (!fBitmap || fBitmap->Empty()) return;
  TProgressRec progress = ProgressRec();
  if (fBitmap->BitCount() == 1) {
    if (fAutoUndo) SaveUndo();
    _rotate1bit(*fBitmap, (ColorToRGB(GetReBackground()) & 0xFFFFFF) != 0, progress, angle);
    Update();
    return;
  }
  if (fBitmap->BitCount() != 24) return;
  int32_t a = angle % 360;
  int32_t rest = a;  // the angle the quarter turns leave
  while (rest > 45) rest -= 90;
  while (rest < -45) rest += 90;
  const bool swapped = ((a - rest) / 90) % 2 != 0;
  if (rest != 0 && !KXShearRotateAllowed(swapped ? fBitmap->Height() : fBitmap->Width(),
                                         swapped ? fBitmap->Width() : fBitmap->Height(), rest))
    return;
  if (fAutoUndo) SaveUndo();
  // The quarter turns compose exactly, so 180 degrees is one half turn and 270 one clockwise
  // quarter turn.
  const int32_t turns = (((a - rest) / 90) % 4 + 4) % 4;
  if (turns == 2)
    KXMirror(*fBitmap, true);
  else if (turns != 0)
    TurnInPlace(*fBitmap, turns == 1);
  // The shear reads its source completely before it resizes the result.
  if (rest != 0) KXShearRotate(*fBitmap, *fBitmap, rest, antialias, TColor2TRGB(GetReBackground()), progress);
  Update();
}

}  // namespace kx
