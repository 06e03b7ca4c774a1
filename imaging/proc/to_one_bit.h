// The one loop that turns a 24-bit picture into a black-and-white one: each conversion gives
// only its rule for which pixels become white, inlined into the row loop.
#pragma once

#include <cstdint>
#include <cstring>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/progress.h"
#include "imaging/proc/bitmap_copy.h"

namespace kx {

// Replaces 24-bit `bitmap` by a 1-bit picture of its size in which pixel (x, y) is white where
// isWhite(pixel, x, y) holds; progress after every row. Other bit depths are left alone.
template <typename IsWhite>
void _Convert24To1Bit(TBitmap& bitmap, TProgressRec& progress, IsWhite isWhite) {
  if (bitmap.BitCount() != 24) return;
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  TBitmap result(w, h, pf1bit);
  progress.StartRows(h);
  for (int32_t y = 0; y < h; ++y) {
    const TRGB* s = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    uint8_t* d = result.ScanLine(y);
    std::memset(d, 0, OneBitRowBytes(w));
    for (int32_t x = 0; x < w; ++x)
      if (isWhite(s[x], x, y)) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
    progress.RowDone();
  }
  KXCopyBitmap(result, bitmap);
  bitmap.SetPalette(result.Palette());
}

}  // namespace kx
