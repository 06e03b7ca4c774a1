// The drawing service that puts a picture's own pixel block on a bitmap: a nearest-pixel
// stretch of a 24-bit or 1-bit bitmap, used by the view, the plain stretch of the geometry
// operations and the multi-image view. No averaging: filtered scaling is done before by the
// caller, which then draws 1:1.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"

namespace kx {

// Draws `sourceRect` of `source` (picture pixels, y counted from the top) scaled to fill
// `destRect` of `dest` exactly. Destination column x takes source column
// sourceRect.Left + floor((2 (x - destRect.Left) + 1) x sourceWidth / (2 x destWidth)), the
// source pixel under its centre (rows likewise), so the whole source rectangle covers the whole
// destination rectangle and whole-number enlargements repeat each pixel equally often.
// 24-bit pixels are drawn as stored; 1-bit pixels are black (0) or white (1), whatever the
// bitmap's colour table says. Destination pixels outside `dest`, or whose source pixel lies
// outside `source`, stay as they were; empty rectangles and other source formats draw nothing.
// Reads the source rows in place: nothing but the visible part is touched.
void KXDrawDib(TBitmap& dest, const TRect& destRect, const TBitmap& source, const TRect& sourceRect);

// The nearest-pixel fit of KXDrawDib from a whole 24-bit picture onto a whole 24-bit bitmap,
// fed one source row at a time from the top, so that a decoder can fit a picture it never
// holds in full.
class TKXRowFit {
 public:
  TKXRowFit(int32_t sourceWidth, int32_t sourceHeight, TBitmap& dest);
  // Source row `y` (blue-green-red); rows come in order from the top.
  void AddRow(int32_t y, const uint8_t* row);
  // Zeroes the destination rows that no source row has reached.
  void ClearRest();

 private:
  TBitmap& fDest;
  int64_t fSourceHeight;
  std::vector<int32_t> fColumns;  // byte offset in a source row per destination column
  int32_t fNextRow = 0;           // the first destination row not drawn yet
};

}  // namespace kx
