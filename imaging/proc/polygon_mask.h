// Polygon selections as runs of pixels: the pixels whose centres lie inside a point list of
// sub-polygons (separated by the selection break). Each sub-polygon is filled by the even-odd
// rule and the sub-polygons are joined, so right and bottom edges are excluded and a
// sub-polygon of fewer than three points covers nothing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/core/canvas.h"

namespace kx {

class TBitmap;

// The break between sub-polygons: the point (kKXSelBreak, kKXSelBreak). A real vertex can
// never equal it: both coordinates would need a picture over 2^20 pixels wide and high, far
// above the pixel limit.
constexpr int32_t kKXSelBreak = 0xFFFFF;
inline bool IsSelBreak(const TPoint& p) { return p.X == kKXSelBreak && p.Y == kKXSelBreak; }

// True for exactly four points whose edges, the closing one included, alternate between
// vertical and horizontal.
bool _IsRectangle(const TPoint* points, int32_t count);

// Columns X0 .. X1 - 1 of one row.
struct TKXSpan {
  int32_t X0 = 0;
  int32_t X1 = 0;
};

class TKXSpanMask {
 public:
  // The pixels of `clip` covered by `points` shifted by (dx, dy).
  TKXSpanMask(const TPoint* points, int32_t count, const TRect& clip, int32_t dx = 0, int32_t dy = 0);

  const TRect& Box() const { return fBox; }
  // Sorted, disjoint spans of row y, for Box().Top <= y < Box().Bottom.
  std::span<const TKXSpan> Row(int32_t y) const;
  bool Empty() const { return fSpans.empty(); }
  // Smallest rectangle holding every covered pixel; empty when nothing is covered.
  TRect Bounds() const;

 private:
  TRect fBox;
  std::vector<uint32_t> fRowStart;  // Box().Height() + 1 offsets into fSpans
  std::vector<TKXSpan> fSpans;
};

// Fills the pixels of `bitmap` inside the sub-polygons of `points` with `color` (a 1-bit
// picture takes the nearer of black and white).
void _ClearSel(TBitmap& bitmap, const TPoint* points, int32_t count, TColor color);

// Copies the masked pixels of `dest` from `source` pixel (x + offsetX, y + offsetY); pixels
// whose source lies outside `source` stay as they were. Both bitmaps in the same format copy
// bytes; otherwise colours are converted.
void KXCopyThroughMask(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest, const TKXSpanMask& mask);
// The same for the pixels of the mask's box that the mask does not cover.
void KXCopyOutsideMask(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest, const TKXSpanMask& mask);

}  // namespace kx
