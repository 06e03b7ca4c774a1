// Quarter turns. The result is built in a bitmap of its own, on a spare block when the caller
// has one, and handed over by swapping blocks. 24-bit pictures go through 4 x 4 pixel
// transposes in SSSE3 registers when the processor has them, in bands of destination rows, so
// that the source rows are read in runs and every destination row is written front to back;
// 1-bit pictures go through 8 x 8 bit-matrix transposes.
#include <algorithm>
#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/rotate.h"
#include "imaging/proc/simd_x86.h"

namespace kx {

namespace {

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
  for (int32_t k = 0; k < int32_t(OneBitRowBytes(t.w)); ++k) {
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

// `dest` becomes the quarter turn of a 24- or 1-bit `source`: on the block it has when that is
// of the source's format and large enough (the turns write every pixel byte), else on a new one.
void QuarterTurn(const TBitmap& source, TBitmap& dest, bool ccw) {
  if (&source == &dest) return;
  if (dest.PixelFormat() != source.PixelFormat() || !dest.RecycleBlock(source.Height(), source.Width())) {
    dest.SetSize(0, 0);
    dest.SetPixelFormat(source.PixelFormat());
    dest.SetSize(source.Height(), source.Width());
  }
  if (dest.Empty()) return;
  if (source.BitCount() == 24)
    QuarterTurn24(source, dest, ccw);
  else if (source.BitCount() == 1)
    QuarterTurn1(source, dest, ccw);
}

}  // namespace

// A quarter turn of the bitmap itself into `spare`'s block when it is large enough (a fresh
// one otherwise): the result replaces the bitmap's block, which `spare` keeps for the next
// turn; the colour table stays.
void KXTurnInPlace(TBitmap& bitmap, bool ccw, TBitmap& spare) {
  TBitmap turned;
  turned.Swap(spare);
  QuarterTurn(bitmap, turned, ccw);
  bitmap.Swap(turned);
  bitmap.SetPalette(turned.Palette());
  spare.Swap(turned);
}

void _Rot90(const TBitmap& source, TBitmap& dest) { QuarterTurn(source, dest, true); }

void _Rot90o(const TBitmap& source, TBitmap& dest) { QuarterTurn(source, dest, false); }

}  // namespace kx
